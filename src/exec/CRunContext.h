#pragma once
// The state of one run of a chart: the chart, its console, the interpreter
// (and with it every variable), the run flag, the step count and limit, and
// how the run ended. Everything that executes a box is handed the context,
// so two runs in one process share nothing but the random generator, which
// belongs to the program.
//
// One hook, Step, is called before every box is executed and at every pass
// of a loop: the step limit is checked there, and an observer attached to the
// context (stepping, highlighting, a variable watch) is told. The observer is
// also told when a box is done (BoxDone), normally or because an error or a
// break or continue left it, so that it can tell which box is responsible
// for what happens between two steps.

#include "interp/CInterpreter.h"
#include "exec/RunDriver.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

class CConsole;
class CProcessBox;
class CRootSequence;
class CRunContext;

// Why a run was stopped before its end; the first cause wins.
enum class RunStop : int {
    None,       // not stopped (it may still have been cleared by hand)
    Interrupt,  // Ctrl+C or a closed console
    TimeLimit,  // the caller's time limit passed
    InputEnded, // standard input ended while an input box read
    StepLimit,  // the run took more steps than its limit
};

// Where the hook is called from.
enum class RunStep {
    BeforeBox, // a sequence is about to execute the box
    LoopPass,  // the loop box is about to make a pass (its condition held)
    AfterBox,  // the box is done: it ended, or an error, break or continue left it
};

// Follows a run step by step; it may stop the run (Stop) or read its
// variables. Called on the run's own thread. OnStep must not throw: for
// AfterBox it is called while an error or a loop code unwinds.
class CRunObserver {
public:
    virtual ~CRunObserver() = default;
    virtual void OnStep(CRunContext& run, CProcessBox& box, RunStep where) = 0;
};

class CRunContext {
    // Declared first: g_running may refer to it.
    std::atomic<int> m_ownFlag { 0 };

public:
    // A run of `chart` on `console` with a fresh interpreter and a run flag
    // of its own.
    CRunContext(CRootSequence& chart, CConsole& console);
    // The same, but the run flag is `flag`, which someone else clears: the
    // program's g_running for the one run the desktop program (or a test)
    // has under way.
    CRunContext(CRootSequence& chart, CConsole& console, std::atomic<int>& flag);
    // Around an interpreter the caller keeps, without a chart of its own: for
    // executing a sequence by hand with the variables kept afterwards.
    CRunContext(CConsole& console, CInterpreter& interp, std::atomic<int>& flag);
    ~CRunContext();
    CRunContext(const CRunContext&) = delete;
    CRunContext& operator=(const CRunContext&) = delete;

    // Sets the run flag and executes the whole chart (evaluation errors are
    // reported on the console there); the console is not finished. Once per
    // context.
    RunOutcome Run();

    CConsole& Console() { return m_console; }
    CInterpreter& Interp() { return m_interp; }

    // The run's flag: 1 while the run may go on. Clearing it stops the run
    // the way Ctrl+C does; Stop also says why.
    std::atomic<int>& g_running;
    bool Running() const { return g_running.load() != 0; }
    // Clears the run flag, keeping `cause` unless an earlier one was given.
    // Safe from any thread and from a signal handler.
    void Stop(RunStop cause) noexcept;
    RunStop StopCause() const { return static_cast<RunStop>(m_stopCause.load()); }
    // How the last Run ended.
    RunOutcome Outcome() const { return m_outcome; }
    // The innermost box whose execution ended the run with its error line
    // (the box that failed, or a break or continue outside every loop);
    // nullptr when the run wrote no error line. Valid while the chart is
    // unchanged.
    const CProcessBox* FailedBox() const { return m_failedBox; }
    // Kept by the box execution: the first box an error or a loop code
    // leaves is the innermost; a loop that takes a code back clears it.
    void SetFailedBox(const CProcessBox& box)
    {
        if (!m_failedBox)
            m_failedBox = &box;
    }
    void ClearFailedBox() { m_failedBox = nullptr; }
    // The text the error line quoted (code page 932): the failing text or
    // the interpreter's message; empty when the run wrote no error line.
    const std::string& ErrorText() const { return m_errorText; }
    void SetErrorText(std::string_view text) { m_errorText.assign(text); }

    // At most `maxSteps` steps (boxes executed and loop passes); 0 for none.
    void SetStepLimit(std::uint64_t maxSteps)
    {
        m_stepLimit = maxSteps == 0 ? std::numeric_limits<std::uint64_t>::max() : maxSteps;
    }
    std::uint64_t Steps() const { return m_steps; }
    // For a caller that counts steps in a local of its own while nothing
    // observes the run (the chart program): the limit to count against,
    // and the count handed back. A step past the limit still goes through
    // Step, with the count handed back first.
    std::uint64_t StepLimit() const { return m_stepLimit; }
    void SetSteps(std::uint64_t steps) { m_steps = steps; }

    // A run without an observer executes the chart compiled as a whole
    // (CChartProgram); this makes it walk the boxes instead, the way an
    // observed run does (to compare the two).
    void SetTreeWalk(bool walk) { m_treeWalk = walk; }
    bool TreeWalk() const { return m_treeWalk; }

    // At most one observer; set it before Run and leave it for the whole run.
    void SetObserver(CRunObserver* observer) { m_observer = observer; }
    CRunObserver* Observer() const { return m_observer; }

    // The hook: one step of the run at `box`. False when the run was
    // stopped there (the step limit, or by the observer), so that the box
    // is not started; a stop from elsewhere is seen after the box.
    bool Step(CProcessBox& box, RunStep where)
    {
        if (++m_steps > m_stepLimit || m_observer) [[unlikely]]
            return ObservedStep(box, where);
        return true;
    }
    // The box is done; only an observer hears of it (it is no step).
    void BoxDone(CProcessBox& box) noexcept
    {
        if (m_observer) [[unlikely]]
            m_observer->OnStep(*this, box, RunStep::AfterBox);
    }

private:
    bool ObservedStep(CProcessBox& box, RunStep where);

    CRootSequence* m_chart { nullptr };
    CConsole& m_console;
    std::unique_ptr<CInterpreter> m_ownInterp;
    CInterpreter& m_interp;
    std::atomic<int>* m_consoleFlag { nullptr }; // the console's flag before this run
    std::atomic<int> m_stopCause { static_cast<int>(RunStop::None) };
    static_assert(std::atomic<int>::is_always_lock_free, "Stop is called from signal handlers");
    std::uint64_t m_steps { 0 };
    std::uint64_t m_stepLimit { std::numeric_limits<std::uint64_t>::max() };
    CRunObserver* m_observer { nullptr };
    bool m_treeWalk { false };
    const CProcessBox* m_failedBox { nullptr };
    std::string m_errorText;
    RunOutcome m_outcome { RunOutcome::Completed };
};

#pragma once
// The state of one run of a chart: the chart, its console, the interpreter
// (and with it every variable), the run flag, the step count and limit, and
// how the run ended. Everything that executes a box is handed the context,
// so two runs in one process share nothing but the random generator, which
// belongs to the program.
//
// One hook, Step, is called before every box is executed and at every pass
// of a loop: the step limit is checked there, and an observer attached to the
// context (stepping, highlighting, a variable watch) is told.

#include "interp/CInterpreter.h"
#include "exec/RunDriver.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>

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
};

// Follows a run step by step; it may stop the run (Stop) or read its
// variables. Called on the run's own thread.
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

    // At most `maxSteps` steps (boxes executed and loop passes); 0 for none.
    void SetStepLimit(std::uint64_t maxSteps)
    {
        m_stepLimit = maxSteps == 0 ? std::numeric_limits<std::uint64_t>::max() : maxSteps;
    }
    std::uint64_t Steps() const { return m_steps; }

    void SetObserver(CRunObserver* observer) { m_observer = observer; }

    // The hook: one step of the run at `box`.
    void Step(CProcessBox& box, RunStep where)
    {
        if (++m_steps > m_stepLimit)
            Stop(RunStop::StepLimit);
        if (m_observer)
            m_observer->OnStep(*this, box, where);
    }

private:
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
    RunOutcome m_outcome { RunOutcome::Completed };
};

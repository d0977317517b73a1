#pragma once
// Watching a run: pausing before a box, stepping one box or over a whole
// container, running on to a breakpoint, pausing on request, stopping, a
// delay between boxes, and a variable watch. The controller is the run
// context's observer.
//
// Threads. A run has two sides:
//   - the run thread calls CRunContext::Run with the controller attached
//     (Attach before Run, Detach right after it returns, on the same
//     thread). The controller's hook runs there and blocks it while the run
//     is paused or waits out the delay between boxes;
//   - any other thread (the desktop program's user-interface thread) gives
//     commands: Step, StepOver, Continue, Pause, Stop, the breakpoints and
//     the delay, and reads the state: IsPaused, CurrentBox, Watch. None of
//     these block for longer than a short lock, and all of them are safe at
//     any moment, before, during and after the run.
// Stop clears the run's flag: a paused run wakes and ends, a delay is cut
// short, and a console read that waits for a line gives up (consoles watch
// the flag of the run they serve; a console that waits on something else is
// woken by the stop action, SetStopAction). The run then ends as on Ctrl+C.
//
// The listener is called on the run thread, with no lock held; it may call
// the controller's read operations (and commands), but a user interface
// should only post a note to its own thread from there. The chart must stay
// unchanged while the run lasts (boxes are named by address): the desktop
// program keeps the chart read-only then.
//
// Pauses happen only before a box (never between the passes of a loop), so
// each pause names the box about to be executed.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "exec/CRunContext.h"
#include "interp/CVariableWatch.h"

class CProcessBox;

// Told on the run thread; every operation has a default that does nothing.
class CStepListener {
public:
    virtual ~CStepListener() = default;
    // The run paused before `box`; the watch was updated first.
    virtual void OnPaused(const CProcessBox& box) { (void)box; }
    // The run goes on, now before `box`: at every box while there is a
    // delay between boxes, and at most ten times a second at full speed.
    // The watch was updated first.
    virtual void OnProgress(const CProcessBox& box) { (void)box; }
    // The run ended (Detach); the watch holds the last values.
    virtual void OnEnded() {}
};

class CStepController : public CRunObserver {
public:
    enum class Start {
        Paused,  // pause before the first box (starting with Step)
        Running, // run until a breakpoint or a Pause (starting with Run or Continue)
    };

    // Speeds between boxes that the desktop program offers.
    static constexpr int kFullSpeed = 0;
    static constexpr int kFast = 50;
    static constexpr int kSlow = 300;
    static constexpr int kVerySlow = 1000;
    // Least time between two watch updates at full speed.
    static constexpr std::chrono::milliseconds kProgressInterval { 100 };

    explicit CStepController(Start start = Start::Running, CStepListener* listener = nullptr);
    ~CStepController() override;
    CStepController(const CStepController&) = delete;
    CStepController& operator=(const CStepController&) = delete;

    // Run thread: around CRunContext::Run.
    void Attach(CRunContext& run);
    void Detach();

    // Commands, from any thread. Step executes the box the run is paused
    // at and pauses before the next one; StepOver executes it with every
    // box inside it (its arms or its passes) and pauses before the box
    // after it, wherever the run goes next (a break or continue thrown out
    // of it included). Continue runs on to the next breakpoint or the end.
    // On a run that is not paused, Step and StepOver pause it before the
    // next box, like Pause. A breakpoint also stops a StepOver.
    void Step();
    void StepOver();
    void Continue();
    void Pause();
    void Stop();

    // Called by Stop, on Stop's thread, after the run's flag was cleared:
    // for a console whose read must be woken by hand. Set it before Attach.
    void SetStopAction(std::function<void()> action) { m_stopAction = std::move(action); }

    // Breakpoints: the run pauses before the box every time it is reached,
    // every pass of a loop included.
    void SetBreakpoint(const CProcessBox& box, bool on);
    bool HasBreakpoint(const CProcessBox& box) const;
    void ClearBreakpoints();
    std::vector<const CProcessBox*> Breakpoints() const;

    // Milliseconds to wait before each box (0: full speed).
    void SetDelay(int milliseconds);
    int Delay() const { return m_delay.load(); }

    // Whether a watch is kept (on by default); without one the run pays
    // nothing for it.
    void SetWatchEnabled(bool on);

    // State, from any thread.
    bool IsPaused() const;
    bool HasEnded() const;
    // The box the run is paused at or last reported before; nullptr before
    // the first box.
    const CProcessBox* CurrentBox() const;
    // The watch as last published (every pause, every progress report, the
    // end); never null.
    std::shared_ptr<const std::vector<WatchRow>> Watch() const;
    // Waits until the run is paused or has ended, at most `timeout`; true
    // when it is paused. For tests and for callers without an event loop.
    bool WaitForPause(std::chrono::milliseconds timeout) const;

    void OnStep(CRunContext& run, CProcessBox& box, RunStep where) override;

private:
    enum class Mode : int {
        Run,      // on to a breakpoint
        StepInto, // pause before the next box
        StepOver, // pause before the next box at m_overDepth or above
    };

    void BeforeBox(CRunContext& run, CProcessBox& box, int depth);
    bool ShouldPause(const CProcessBox& box, int depth) const; // m_mutex held
    void Publish(CRunContext& run, const CProcessBox& box);    // run thread, no lock
    void Resume(Mode mode);
    void UpdateQuiet(); // m_mutex held
    void ProgressTick(CRunContext& run, CProcessBox& box);

    CStepListener* m_listener;
    std::function<void()> m_stopAction;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;
    // Under m_mutex:
    CRunContext* m_run { nullptr };
    Mode m_mode;
    int m_overDepth { 0 };
    bool m_paused { false };
    bool m_ended { false };
    bool m_stopRequested { false };
    std::uint64_t m_resumes { 0 }; // counts resumes, so a wait sees each one
    std::unordered_set<const CProcessBox*> m_breakpoints;
    const CProcessBox* m_current { nullptr };
    std::shared_ptr<const std::vector<WatchRow>> m_published;

    // Read without the lock on the run's fast path: nothing to do at a box
    // while all three say so.
    std::atomic<bool> m_quiet { false };
    std::atomic<int> m_delay { 0 };
    std::atomic<bool> m_watchEnabled { true };

    // Run thread only.
    CVariableWatch m_watch;
    int m_depth { 0 };
    std::uint32_t m_sinceClock { 0 };
    std::chrono::steady_clock::time_point m_lastProgress {};
};

#include "exec/CStepController.h"

#include "interp/CInterpreter.h"

namespace {

// A paused run also looks at its flag this often, so that a stop that does
// not come through the controller (Ctrl+C in the console, a time limit)
// still ends it.
constexpr std::chrono::milliseconds kFlagPoll { 50 };

// The clock is read only every this many boxes at full speed.
constexpr std::uint32_t kClockEvery = 64;

} // namespace

CStepController::CStepController(Start start, CStepListener* listener)
    : m_listener(listener)
    , m_mode(start == Start::Paused ? Mode::StepInto : Mode::Run)
    , m_published(std::make_shared<const std::vector<WatchRow>>())
{
    m_quiet = m_mode == Mode::Run;
}

CStepController::~CStepController() = default;

void CStepController::Attach(CRunContext& run)
{
    {
        std::lock_guard lock(m_mutex);
        m_run = &run;
        m_ended = false;
        m_paused = false;
        m_current = nullptr;
        m_published = std::make_shared<const std::vector<WatchRow>>();
        if (m_stopRequested)
            run.Stop(RunStop::Interrupt);
    }
    m_watch.Clear();
    m_depth = 0;
    m_sinceClock = 0;
    m_lastProgress = std::chrono::steady_clock::now();
    run.SetObserver(this);
}

void CStepController::Detach()
{
    CRunContext* run = nullptr;
    {
        std::lock_guard lock(m_mutex);
        run = m_run;
    }
    if (!run)
        return;
    if (m_watchEnabled) {
        m_watch.Update(run->Interp().Variables());
        auto rows = std::make_shared<const std::vector<WatchRow>>(m_watch.Rows());
        std::lock_guard lock(m_mutex);
        m_published = std::move(rows);
    }
    run->SetObserver(nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_run = nullptr;
        m_ended = true;
        m_paused = false;
    }
    m_wake.notify_all();
    if (m_listener)
        m_listener->OnEnded();
}

void CStepController::UpdateQuiet()
{
    m_quiet = m_mode == Mode::Run && m_breakpoints.empty() && m_delay.load() == 0;
}

void CStepController::Resume(Mode mode)
{
    {
        std::lock_guard lock(m_mutex);
        // Stepping over needs a box to step over: a run that is not paused
        // only pauses.
        m_mode = (mode == Mode::StepOver && !m_paused) ? Mode::StepInto : mode;
        // No longer paused from now on, so that a wait for the next pause
        // does not see this one.
        m_paused = false;
        ++m_resumes;
        UpdateQuiet();
    }
    m_wake.notify_all();
}

void CStepController::Step() { Resume(Mode::StepInto); }
void CStepController::StepOver() { Resume(Mode::StepOver); }
void CStepController::Continue() { Resume(Mode::Run); }

void CStepController::Pause()
{
    {
        std::lock_guard lock(m_mutex);
        m_mode = Mode::StepInto;
        UpdateQuiet();
    }
    m_wake.notify_all();
}

void CStepController::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
        if (m_run)
            m_run->Stop(RunStop::Interrupt);
        m_paused = false;
        ++m_resumes;
    }
    m_wake.notify_all();
    if (m_stopAction)
        m_stopAction();
}

void CStepController::SetBreakpoint(const CProcessBox& box, bool on)
{
    std::lock_guard lock(m_mutex);
    if (on)
        m_breakpoints.insert(&box);
    else
        m_breakpoints.erase(&box);
    UpdateQuiet();
}

bool CStepController::HasBreakpoint(const CProcessBox& box) const
{
    std::lock_guard lock(m_mutex);
    return m_breakpoints.count(&box) != 0;
}

void CStepController::ClearBreakpoints()
{
    std::lock_guard lock(m_mutex);
    m_breakpoints.clear();
    UpdateQuiet();
}

std::vector<const CProcessBox*> CStepController::Breakpoints() const
{
    std::lock_guard lock(m_mutex);
    return { m_breakpoints.begin(), m_breakpoints.end() };
}

void CStepController::SetDelay(int milliseconds)
{
    {
        std::lock_guard lock(m_mutex);
        m_delay = milliseconds < 0 ? 0 : milliseconds;
        UpdateQuiet();
    }
    // A shorter delay takes effect at once.
    m_wake.notify_all();
}

void CStepController::SetWatchEnabled(bool on)
{
    m_watchEnabled = on;
}

bool CStepController::IsPaused() const
{
    std::lock_guard lock(m_mutex);
    return m_paused;
}

bool CStepController::HasEnded() const
{
    std::lock_guard lock(m_mutex);
    return m_ended;
}

const CProcessBox* CStepController::CurrentBox() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

std::shared_ptr<const std::vector<WatchRow>> CStepController::Watch() const
{
    std::lock_guard lock(m_mutex);
    return m_published;
}

bool CStepController::WaitForPause(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, timeout, [this] { return m_paused || m_ended; });
    return m_paused;
}

bool CStepController::ShouldPause(const CProcessBox& box, int depth) const
{
    if (m_breakpoints.count(&box) != 0)
        return true;
    switch (m_mode) {
    case Mode::StepInto:
        return true;
    case Mode::StepOver:
        return depth <= m_overDepth;
    case Mode::Run:
        break;
    }
    return false;
}

void CStepController::Publish(CRunContext& run, const CProcessBox& box)
{
    std::shared_ptr<const std::vector<WatchRow>> rows;
    if (m_watchEnabled) {
        m_watch.Update(run.Interp().Variables());
        rows = std::make_shared<const std::vector<WatchRow>>(m_watch.Rows());
    }
    std::lock_guard lock(m_mutex);
    if (rows)
        m_published = std::move(rows);
    m_current = &box;
}

void CStepController::ProgressTick(CRunContext& run, CProcessBox& box)
{
    if (!m_listener && !m_watchEnabled.load(std::memory_order_relaxed))
        return;
    if (++m_sinceClock < kClockEvery)
        return;
    m_sinceClock = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastProgress < kProgressInterval)
        return;
    m_lastProgress = now;
    Publish(run, box);
    if (m_listener)
        m_listener->OnProgress(box);
}

void CStepController::OnStep(CRunContext& run, CProcessBox& box, RunStep where)
{
    switch (where) {
    case RunStep::AfterBox:
        --m_depth;
        return;
    case RunStep::LoopPass:
        if (m_quiet.load(std::memory_order_relaxed))
            ProgressTick(run, box);
        return;
    case RunStep::BeforeBox:
        break;
    }
    const int depth = m_depth++;
    if (m_quiet.load(std::memory_order_relaxed)) {
        ProgressTick(run, box);
        return;
    }
    BeforeBox(run, box, depth);
}

void CStepController::BeforeBox(CRunContext& run, CProcessBox& box, int depth)
{
    std::unique_lock lock(m_mutex);
    const int delay = m_delay.load();
    if (delay > 0 && run.Running() && !ShouldPause(box, depth)) {
        lock.unlock();
        Publish(run, box);
        m_lastProgress = std::chrono::steady_clock::now();
        if (m_listener)
            m_listener->OnProgress(box);
        lock.lock();
        // Cut short by a stop, a pause, a step, or a shorter delay.
        const std::uint64_t resumes = m_resumes;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(delay);
        while (run.Running() && m_resumes == resumes && !ShouldPause(box, depth)
            && std::chrono::steady_clock::now() < until && m_delay.load() >= delay) {
            m_wake.wait_until(lock, std::min(until, std::chrono::steady_clock::now() + kFlagPoll));
        }
    }
    if (!run.Running() || !ShouldPause(box, depth))
        return;

    // Counted before the lock is let go: a command that comes while the
    // watch is published applies to this box.
    const std::uint64_t resumes = m_resumes;
    lock.unlock();
    Publish(run, box);
    lock.lock();
    if (m_resumes == resumes && run.Running()) {
        // Paused only once the watch shows this box's state.
        m_paused = true;
        lock.unlock();
        m_wake.notify_all();
        if (m_listener)
            m_listener->OnPaused(box);
        lock.lock();
        while (m_resumes == resumes && run.Running())
            m_wake.wait_for(lock, kFlagPoll);
        m_paused = false;
    }
    if (m_mode == Mode::StepOver)
        m_overDepth = depth;
}

#include "exec/CRunContext.h"

#include "model/CBoxSequence.h"
#include "base/CConsole.h"
#include "exec/ChartExecution.h"

#include <new>

CRunContext::CRunContext(CRootSequence& chart, CConsole& console) : CRunContext(chart, console, m_ownFlag) {}

CRunContext::CRunContext(CRootSequence& chart, CConsole& console, std::atomic<int>& flag)
    : g_running(flag)
    , m_chart(&chart)
    , m_console(console)
    , m_ownInterp(std::make_unique<CInterpreter>())
    , m_interp(*m_ownInterp)
{
    m_consoleFlag = &m_console.RunFlag();
    m_console.AttachRunFlag(&g_running);
}

CRunContext::CRunContext(CConsole& console, CInterpreter& interp, std::atomic<int>& flag)
    : g_running(flag)
    , m_console(console)
    , m_interp(interp)
{
    m_consoleFlag = &m_console.RunFlag();
    m_console.AttachRunFlag(&g_running);
}

CRunContext::~CRunContext() { m_console.AttachRunFlag(m_consoleFlag); }

void CRunContext::Stop(RunStop cause) noexcept
{
    int expected = static_cast<int>(RunStop::None);
    m_stopCause.compare_exchange_strong(expected, static_cast<int>(cause));
    g_running = 0;
}

// The step limit, and the observer: out of the way of a plain run's loop.
bool CRunContext::ObservedStep(CProcessBox& box, RunStep where)
{
    const bool limited = m_steps > m_stepLimit;
    if (limited)
        Stop(RunStop::StepLimit);
    if (m_observer)
        m_observer->OnStep(*this, box, where);
    return !limited && Running();
}

RunOutcome CRunContext::Run()
{
    m_steps = 0;
    // A Stop that came before the start (a time limit already passed) still
    // holds: the flag is set first and the cause read after it, the order
    // in which Stop writes them the other way round.
    g_running = 1;
    if (StopCause() != RunStop::None)
        g_running = 0;
    try {
        if (!m_chart)
            m_outcome = RunOutcome::Completed;
        else if (ExecuteChart(*m_chart, *this) == ChartEnd::ErrorLine)
            m_outcome = RunOutcome::Error;
        else if (!Running())
            m_outcome = RunOutcome::Interrupted;
        else
            m_outcome = RunOutcome::Completed;
    } catch (const std::bad_alloc&) {
        // The run's budget or the machine's: the variables go at once, so
        // that telling the user about it cannot fail in turn.
        m_interp.Variables().Destroy();
        g_running = 0;
        m_outcome = RunOutcome::MemoryLimit;
    }
    return m_outcome;
}

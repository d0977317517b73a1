#include "view/CConsoleChannel.h"

#include <algorithm>
#include <utility>

namespace {

std::size_t LineFeeds(std::string_view bytes)
{
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

} // namespace

void CConsoleChannel::Put(std::string_view bytes)
{
    if (bytes.empty())
        return;
    std::unique_lock lock(m_mutex);
    // The window drains whole batches and wakes us; a closed window takes
    // nothing, so its output is dropped instead of piling up.
    m_changed.wait(lock, [this] {
        return m_closed || (m_output.size() < kMaxPendingOutput && m_outputLines < kMaxPendingLines);
    });
    if (m_closed)
        return;
    m_output.append(bytes);
    m_outputLines += LineFeeds(bytes);
}

bool CConsoleChannel::GetLine(std::string& line)
{
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    m_changed.wait(lock, [this] { return m_closed || m_interrupted || !m_lines.empty(); });
    m_waiting = false;
    line.clear();
    if (m_closed)
        return false;
    if (m_interrupted)
        return true;
    line = std::move(m_lines.front());
    m_lines.pop_front();
    return true;
}

void CConsoleChannel::WaitAtExitPrompt()
{
    std::unique_lock lock(m_mutex);
    m_lines.clear();
    m_atExitPrompt = true;
    m_waiting = true;
    const unsigned interruptsBefore = m_interrupts;
    m_changed.wait(lock, [&] { return m_closed || m_interrupts != interruptsBefore || !m_lines.empty(); });
    m_waiting = false;
    m_lines.clear();
}

void CConsoleChannel::Release()
{
    std::lock_guard lock(m_mutex);
    m_released = true;
    m_waiting = false;
}

bool CConsoleChannel::Take(std::string& out, std::size_t max)
{
    std::lock_guard lock(m_mutex);
    if (m_output.empty())
        return false;
    if (m_output.size() <= max) {
        out.swap(m_output);
        m_output.clear();
        m_outputLines = 0;
    } else {
        out.assign(m_output, 0, max);
        m_output.erase(0, max);
        m_outputLines -= LineFeeds(out);
    }
    m_changed.notify_all();
    return true;
}

void CConsoleChannel::DeliverLine(std::string line)
{
    std::lock_guard lock(m_mutex);
    if (m_closed || m_released)
        return;
    m_lines.push_back(std::move(line));
    m_changed.notify_all();
}

void CConsoleChannel::Interrupt()
{
    g_running = 0;
    std::lock_guard lock(m_mutex);
    m_interrupted = true;
    m_stopRequested = true;
    ++m_interrupts;
    m_lines.clear();
    m_changed.notify_all();
}

void CConsoleChannel::StopReading()
{
    std::lock_guard lock(m_mutex);
    if (m_atExitPrompt || m_released || m_closed)
        return;
    g_running = 0;
    m_interrupted = true;
    m_stopRequested = true;
    ++m_interrupts;
    m_lines.clear();
    m_changed.notify_all();
}

void CConsoleChannel::Close()
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return;
    if (!m_released && !m_atExitPrompt) {
        g_running = 0;
        m_stopRequested = true;
    }
    m_closed = true;
    m_output.clear();
    m_outputLines = 0;
    m_lines.clear();
    m_changed.notify_all();
}

bool CConsoleChannel::IsStopRequested() const
{
    std::lock_guard lock(m_mutex);
    return m_stopRequested;
}

bool CConsoleChannel::IsAtExitPrompt() const
{
    std::lock_guard lock(m_mutex);
    return m_atExitPrompt;
}

bool CConsoleChannel::IsReleased() const
{
    std::lock_guard lock(m_mutex);
    return m_released;
}

bool CConsoleChannel::IsClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

bool CConsoleChannel::IsWaitingForInput() const
{
    std::lock_guard lock(m_mutex);
    return m_waiting;
}

std::size_t CConsoleChannel::PendingOutput() const
{
    std::lock_guard lock(m_mutex);
    return m_output.size();
}

CWindowConsole::CWindowConsole(std::shared_ptr<CConsoleChannel> channel)
    : m_channel(std::move(channel))
{
}

CWindowConsole::~CWindowConsole() = default;

void CWindowConsole::Output(std::string_view bytes)
{
    m_channel->Put(bytes);
}

bool CWindowConsole::Input(std::string& line)
{
    return m_channel->GetLine(line);
}

void CWindowConsole::Finish()
{
    if (m_finished)
        return;
    WriteRaw(kExitPrompt);
    m_channel->WaitAtExitPrompt();
    m_channel->Release();
    m_finished = true;
}

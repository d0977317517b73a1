#include "exec/CTerminalConsole.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t kFlushThreshold = 64 * 1024;
constexpr std::size_t kReadChunk = 64 * 1024;
// A pipe or terminal that polls writable takes this much without blocking.
constexpr std::size_t kWriteChunk = PIPE_BUF;

std::size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

// UTF-8 to code page 932; a character that it cannot hold becomes '?'.
std::string ToCp932(std::string_view utf8)
{
    // Plain ASCII is the same in both (and a long number typed in is).
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(utf8);
    if (auto whole = codec::Utf8ToCp932(utf8))
        return *whole;
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t length = std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        if (auto one = codec::Utf8ToCp932(utf8.substr(i, length)); one && !one->empty())
            out += *one;
        else
            out += '?';
        i += length;
    }
    return out;
}

} // namespace

CTerminalConsole::CTerminalConsole(TerminalEncoding encoding, ExitPause pause, int inputFd, int outputFd)
    : m_encoding(encoding)
    , m_pause(pause)
    , m_inputFd(inputFd)
    , m_outputFd(outputFd)
{
    struct stat info {};
    if (fstat(m_outputFd, &info) == 0 && S_ISREG(info.st_mode)) {
        m_flushEachLine = false;
        m_outputIsFile = true;
    }
}

CTerminalConsole::~CTerminalConsole()
{
    if (m_encoding == TerminalEncoding::Utf8)
        m_outBuffer += m_decoder.Flush();
    Flush();
}

void CTerminalConsole::Output(std::string_view bytes)
{
    if (m_encoding == TerminalEncoding::Raw)
        m_outBuffer.append(bytes);
    else
        m_outBuffer += m_decoder.Feed(bytes);
    const bool lineEnded = bytes.find('\n') != std::string_view::npos;
    if (m_outBuffer.size() >= kFlushThreshold || (lineEnded && m_flushEachLine))
        Flush();
}

void CTerminalConsole::Flush()
{
    WriteAll(m_outBuffer);
    m_outBuffer.clear();
}

// Waits for the output to take bytes while watching the run flag: once the
// run has been stopped, a reader that takes nothing for one poll interval
// loses the rest, so that neither Ctrl+C nor a time limit waits on it.
void CTerminalConsole::WriteAll(std::string_view bytes)
{
    while (!bytes.empty() && m_outputError == 0 && !m_outputAbandoned) {
        if (!m_outputIsFile) {
            pollfd watch { m_outputFd, POLLOUT, 0 };
            const int ready = ::poll(&watch, 1, kPollMilliseconds);
            if (ready == 0 || (ready < 0 && errno == EINTR)) {
                if (RunFlag().load() == 0)
                    m_outputAbandoned = true;
                continue;
            }
        }
        const std::size_t size = m_outputIsFile ? bytes.size() : std::min(bytes.size(), kWriteChunk);
        const ssize_t written = ::write(m_outputFd, bytes.data(), size);
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            m_outputError = errno;
            RunFlag() = 0;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

bool CTerminalConsole::Input(std::string& line)
{
    Flush(); // the user sees everything before being asked
    std::string raw;
    const ReadResult result = ReadRawLine(raw, ReadWait::UntilStopped);
    if (result == ReadResult::TooLong) {
        m_inputTooLong = true;
        RunFlag() = 0;
    }
    if (result != ReadResult::Line)
        return false;
    line = m_encoding == TerminalEncoding::Raw ? std::move(raw) : ToCp932(raw);
    return true;
}

CTerminalConsole::ReadResult CTerminalConsole::ReadRawLine(std::string& line, ReadWait wait)
{
    for (;;) {
        if (wait == ReadWait::UntilStopped && RunFlag().load() == 0)
            return ReadResult::Interrupted;
        // Only the bytes read since the last look are searched, so a long
        // line costs time in proportion to its length; lines handed out
        // are dropped from the front only once they fill half the buffer.
        if (const std::size_t end = m_inBuffer.find('\n', std::max(m_inStart, m_scanned)); end != std::string::npos) {
            const std::size_t start = m_inStart;
            m_inStart = m_scanned = end + 1;
            if (end - start > m_maxLineBytes)
                return ReadResult::TooLong;
            line.assign(m_inBuffer, start, end + 1 - start);
            return ReadResult::Line;
        }
        if (m_inStart > 0 && m_inStart >= m_inBuffer.size() / 2) {
            m_inBuffer.erase(0, m_inStart);
            m_inStart = 0;
        }
        m_scanned = m_inBuffer.size();
        if (m_inBuffer.size() - m_inStart > m_maxLineBytes) {
            // The rest of the line is not read: the run stops here.
            m_inBuffer.clear();
            m_inStart = m_scanned = 0;
            return ReadResult::TooLong;
        }
        if (m_endOfFile) {
            if (m_inStart == m_inBuffer.size()) {
                m_inputEnded = true;
                return ReadResult::Ended;
            }
            line.assign(m_inBuffer, m_inStart); // a last line without its line end
            m_inBuffer.clear();
            m_inStart = m_scanned = 0;
            return ReadResult::Line;
        }
        pollfd watch { m_inputFd, POLLIN, 0 };
        const int ready = ::poll(&watch, 1, kPollMilliseconds);
        if (ready < 0 && errno != EINTR) {
            m_endOfFile = true;
            continue;
        }
        if (ready <= 0)
            continue;
        const std::size_t held = m_inBuffer.size();
        m_inBuffer.resize(held + kReadChunk);
        const ssize_t got = ::read(m_inputFd, m_inBuffer.data() + held, kReadChunk);
        m_inBuffer.resize(held + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
            m_endOfFile = true;
    }
}

void CTerminalConsole::Finish()
{
    if (m_encoding == TerminalEncoding::Utf8)
        m_outBuffer += m_decoder.Flush();
    if (m_pause == ExitPause::WaitForEnter) {
        m_outBuffer += kExitPrompt;
        Flush();
        // After an interruption the run flag is already 0; the prompt then
        // waits for Enter (or the end of input) regardless.
        std::string ignored;
        ReadRawLine(ignored, RunFlag().load() != 0 ? ReadWait::UntilStopped : ReadWait::UntilLine);
        return;
    }
    Flush();
}

#include "exec/CTerminalConsole.h"

#include <cerrno>
#include <poll.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t kFlushThreshold = 64 * 1024;
constexpr std::size_t kReadChunk = 4096;

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
    if (fstat(m_outputFd, &info) == 0 && S_ISREG(info.st_mode))
        m_flushEachLine = false;
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

void CTerminalConsole::WriteAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_outputFd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return; // a failed write is lost, as on the desktop console
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

bool CTerminalConsole::Input(std::string& line)
{
    Flush(); // the user sees everything before being asked
    std::string raw;
    if (ReadRawLine(raw, ReadWait::UntilStopped) != ReadResult::Line)
        return false;
    line = m_encoding == TerminalEncoding::Raw ? std::move(raw) : ToCp932(raw);
    return true;
}

CTerminalConsole::ReadResult CTerminalConsole::ReadRawLine(std::string& line, ReadWait wait)
{
    for (;;) {
        if (wait == ReadWait::UntilStopped && RunFlag().load() == 0)
            return ReadResult::Interrupted;
        if (const std::size_t end = m_inBuffer.find('\n'); end != std::string::npos) {
            line = m_inBuffer.substr(0, end + 1);
            m_inBuffer.erase(0, end + 1);
            return ReadResult::Line;
        }
        if (m_endOfFile) {
            if (m_inBuffer.empty()) {
                m_inputEnded = true;
                return ReadResult::Ended;
            }
            line = std::move(m_inBuffer); // a last line without its line end
            m_inBuffer.clear();
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
        char chunk[kReadChunk];
        const ssize_t got = ::read(m_inputFd, chunk, sizeof chunk);
        if (got > 0)
            m_inBuffer.append(chunk, static_cast<std::size_t>(got));
        else if (got == 0 || (errno != EINTR && errno != EAGAIN))
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

#pragma once
// The console on standard input and output, for tavrin-cli. The terminal
// speaks UTF-8: output is converted from code page 932 (a character split
// across two writes still converts whole) and input lines back to it, unless
// the console is raw. Reads and writes give up at once when the run flag of
// the run it serves drops to 0, so Ctrl+C or a time limit ends a run that
// waits for input or for a reader that does not read. A write that fails (a
// closed pipe, a full disk) clears the run flag: nothing the run does can be
// seen any more.

#include "base/CConsole.h"
#include "base/Codec.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <unistd.h>

enum class TerminalEncoding {
    Utf8, // convert between code page 932 and UTF-8
    Raw,  // pass the code page 932 bytes through unchanged, both ways
};

enum class ExitPause {
    None,         // Finish writes nothing and does not wait
    WaitForEnter, // Finish writes the exit prompt and waits for a line
};

class CTerminalConsole : public CConsole {
public:
    // Longest wait between two looks at the run flag while a read waits.
    static constexpr int kPollMilliseconds = 25;

    explicit CTerminalConsole(TerminalEncoding encoding = TerminalEncoding::Utf8, ExitPause pause = ExitPause::None,
        int inputFd = STDIN_FILENO, int outputFd = STDOUT_FILENO);
    ~CTerminalConsole() override;
    CTerminalConsole(const CTerminalConsole&) = delete;
    CTerminalConsole& operator=(const CTerminalConsole&) = delete;

    void Finish() override;
    // Whether a read found standard input at its end (and so yielded an
    // empty line). A last line without a line end still counts as a line.
    bool InputEnded() const { return m_inputEnded; }
    // Writes out everything buffered.
    void Flush();
    // The errno of the write that failed, 0 while every write succeeded.
    int OutputError() const { return m_outputError; }
    // The longest input line accepted (its line end excluded); a longer one
    // fails the read, which InputTooLong() then tells.
    void SetMaxLineBytes(std::size_t bytes) { m_maxLineBytes = bytes; }
    bool InputTooLong() const { return m_inputTooLong; }
    static constexpr std::size_t kDefaultMaxLineBytes = std::size_t { 64 } << 20;

protected:
    void Output(std::string_view bytes) override;
    bool Input(std::string& line) override;

private:
    enum class ReadResult { Line, Ended, Interrupted, TooLong };
    // Whether a cleared run flag ends the wait.
    enum class ReadWait { UntilStopped, UntilLine };
    // One line, its line end included when it had one, unconverted.
    ReadResult ReadRawLine(std::string& line, ReadWait wait);
    void WriteAll(std::string_view bytes);

    TerminalEncoding m_encoding;
    ExitPause m_pause;
    int m_inputFd;
    int m_outputFd;
    // A regular file is written in large blocks; a terminal or a pipe sees
    // each line as soon as it ends.
    bool m_flushEachLine { true };
    codec::CStreamDecoder m_decoder;
    std::string m_outBuffer;
    std::string m_inBuffer; // from m_inStart: bytes read past the last line handed out
    std::size_t m_inStart { 0 };
    std::size_t m_scanned { 0 }; // m_inBuffer holds no line end before this
    std::size_t m_maxLineBytes { kDefaultMaxLineBytes };
    bool m_endOfFile { false };
    bool m_inputEnded { false };
    bool m_inputTooLong { false };
    int m_outputError { 0 };
    bool m_outputAbandoned { false }; // the run stopped while the reader did not read
    bool m_outputIsFile { false };
};

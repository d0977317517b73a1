#pragma once
// The console of a run or of a code generation: every read and write goes
// through here. Texts are code page 932 bytes; an implementation converts
// them for its device (terminal, window, memory).

#include <atomic>
#include <string>
#include <string_view>

// The run flag of the program's foreground run: the one run the desktop
// program has under way, whose console window clears it when it is closed
// or sees Ctrl+C. Every run has a flag (CRunContext::g_running); a run
// started through RunChart uses this one, other runs their own.
extern std::atomic<int> g_running;

class CConsole {
public:
    virtual ~CConsole() = default;

    // Writes the text with each backslash-n and backslash-t pair turned into
    // a line feed or a tab.
    void Write(std::string_view text);
    // Writes the text byte for byte.
    void WriteRaw(std::string_view text);
    // "%lf" with its trailing zeros (and a bare point) removed.
    void WriteNumber(double value);
    void NewLine();
    // Four spaces per level.
    void Indent(int level);
    // One input line, its line end included when it had one; an empty text
    // when the read fails.
    std::string ReadLine();
    // The exit prompt, the wait for one line, the release of the console.
    virtual void Finish();
    // Tells the user why a run ended early (a line in the console; a
    // console may show it elsewhere).
    virtual void ReportRunStop(std::string_view message);

    static constexpr std::string_view kExitPrompt = "press ENTER key to exit";

    // The run flag of the run this console serves: a run attaches its own
    // for as long as it lives; without one it is the foreground g_running.
    // A read that waits gives up when it drops to 0.
    std::atomic<int>& RunFlag() const { return *m_runFlag; }
    void AttachRunFlag(std::atomic<int>* flag) { m_runFlag = flag ? flag : &g_running; }

protected:
    virtual void Output(std::string_view bytes) = 0;
    // Reads one line into `line`; false when nothing could be read.
    virtual bool Input(std::string& line) = 0;

private:
    std::atomic<int>* m_runFlag { &g_running };
};

// Formats a value as WriteNumber writes it.
std::string FormatNumber(double value);

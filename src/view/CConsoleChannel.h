#pragma once
// The meeting point of a console job's worker thread and the console window.
// The worker writes output bytes and waits for input lines here; the window
// drains the output on its own timer and hands typed lines over. Nothing in
// here touches a widget, so the worker never waits for the GUI except when
// the output it has not yet shown grows past a bound (then it waits for the
// window to catch up, so a flood neither loses lines nor eats all memory).

#include "base/CConsole.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class CConsoleChannel {
public:
    // Output not yet shown beyond which the writer waits for the window:
    // about what the window shows in a few tenths of a second, so that after
    // Ctrl+C the exit prompt follows soon instead of after seconds of
    // backlog. Lines count as well as bytes, since each line costs the window
    // a new paragraph however short it is.
    static constexpr std::size_t kMaxPendingOutput = 256u << 10;
    static constexpr std::size_t kMaxPendingLines = 8192;

    // Worker side.
    void Put(std::string_view bytes);
    // Waits for one line typed at the console (its line feed included). After
    // Ctrl+C every read completes at once with an empty line, since the run
    // is stopping; false once the window was closed.
    bool GetLine(std::string& line);
    // The wait at the exit prompt: lines typed before the prompt appeared do
    // not count, so the output stays on screen until the user has seen it.
    void WaitAtExitPrompt();
    // The console is given up: the window may go.
    void Release();

    // Window side.
    // Moves at most `max` bytes of pending output into `out`; false when
    // there was none.
    bool Take(std::string& out, std::size_t max);
    void DeliverLine(std::string line);
    // Ctrl+C: clears the run flag, drops typed-ahead lines and completes a
    // waiting read with an empty line.
    void Interrupt();
    // A run stopped from outside the console (the Stop command): a read that
    // waits for a line gives up as on Ctrl+C, but once the run has reached
    // its exit prompt nothing happens, so its output stays on the screen
    // until the user closes it. Ctrl+C at the prompt closes the console; a
    // Stop that comes a moment late must not.
    void StopReading();
    // The window is going away: every wait ends, output is discarded. When the
    // console was still in use the run is stopped as by Ctrl+C.
    void Close();

    // Ctrl+C came, or the window was closed while the console was in use.
    bool IsStopRequested() const;
    bool IsAtExitPrompt() const;
    bool IsReleased() const;
    bool IsClosed() const;
    bool IsWaitingForInput() const;
    std::size_t PendingOutput() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_output;
    std::size_t m_outputLines { 0 }; // line feeds in m_output
    std::deque<std::string> m_lines;
    bool m_waiting { false };     // a read is waiting for a line
    bool m_interrupted { false }; // Ctrl+C came: every further read is empty
    bool m_stopRequested { false };
    unsigned m_interrupts { 0 };  // lets the exit prompt see a later Ctrl+C
    bool m_atExitPrompt { false };
    bool m_released { false };
    bool m_closed { false };
};

// The CConsole that a console job is given: it talks to the window only
// through the channel.
class CWindowConsole : public CConsole {
public:
    explicit CWindowConsole(std::shared_ptr<CConsoleChannel> channel);
    ~CWindowConsole() override;

    void Finish() override;
    bool IsFinished() const { return m_finished; }

protected:
    void Output(std::string_view bytes) override;
    bool Input(std::string& line) override;

private:
    std::shared_ptr<CConsoleChannel> m_channel;
    bool m_finished { false };
};

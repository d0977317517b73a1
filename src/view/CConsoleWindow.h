#pragma once
// The console of the desktop program: a terminal-like text window that shows
// what a run or a code generation writes and takes the lines it reads. The
// job itself runs on a worker thread; the window drains its output in
// batches on a timer, so a flood of output never freezes the GUI.

#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "base/CConsole.h"
#include "base/Codec.h"

class CConsoleChannel;

enum class ConsoleKind { Run, Code };

// Opens a console window titled after `kind`, runs job(console) on a worker
// thread and, once the job has returned and the console was released (Enter
// at the exit prompt, Ctrl+C there, or the window closed), calls `done` on the
// GUI thread. Closing the window stops a run as Ctrl+C does; it never ends the
// program. When no console can be opened the failure is reported in a message
// box and `done` is still called, so the caller gets its window back.
// Returns the console's channel (null when none could be opened), through
// which the caller can interrupt a read that waits, from any thread.
std::shared_ptr<CConsoleChannel> StartConsoleJob(QWidget* owner, ConsoleKind kind,
                                                 std::function<void(CConsole&)> job, std::function<void()> done);

// Ends every console job of `owner` at once: its console is closed (a run
// stops as when the window is closed) and the worker is waited for, and no
// `done` is called. For an owner that is about to destroy what the jobs read.
void EndConsoleJobs(QObject* owner);

// Makes the next StartConsoleJob fail to open its console, as if the system
// had refused a window or a thread. For tests of the failure path.
void FailNextConsoleOpenForTesting();

class CConsoleWindow : public QPlainTextEdit {
    Q_OBJECT

public:
    CConsoleWindow(QWidget* owner, ConsoleKind kind, std::shared_ptr<CConsoleChannel> channel);
    ~CConsoleWindow() override;

    ConsoleKind Kind() const { return m_kind; }
    // Everything shown so far: the output and the echo of typed lines.
    QString Text() const;
    // What Ctrl+C does in a run console.
    void Interrupt();
    // Shows the output written since the last call, at most for about
    // `budgetMs` milliseconds; false when nothing was pending. The window's
    // timer calls it; tests call it to catch up at once.
    bool DrainOutput(int budgetMs = 12);

    static QString TitleFor(ConsoleKind kind);

    // Lines the console keeps, as a terminal's scrollback: older lines are
    // dropped. The setting "Console/ScrollbackLines" changes the default.
    static constexpr int kDefaultScrollbackLines = 100000;
    static int ScrollbackLines();
    // For tests: the bound of consoles opened from now on (0: the setting).
    static void SetScrollbackLinesForTesting(int lines);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void AppendOutput(const QString& text);
    void TypeText(const QString& text);
    void Backspace();
    void Enter();
    void CopySelection();
    QString InputLine() const;
    void MoveCaretToEnd();

    ConsoleKind m_kind;
    std::shared_ptr<CConsoleChannel> m_channel;
    codec::CStreamDecoder m_decoder;
    QTimer m_drainTimer;
    // Where the line being typed begins; output goes in front of it.
    int m_inputStart { 0 };
};

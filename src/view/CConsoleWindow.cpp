#include "view/CConsoleWindow.h"

#include "view/CConsoleChannel.h"
#include "base/Texts.h"
#include "view/QtText.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollBar>
#include <QSettings>
#include <QTextBlock>
#include <QTextCursor>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace {

constexpr int kDrainIntervalMs = 16;
constexpr int kHoldStopIntervalMs = 10;
// Bytes taken from the channel per step of a drain; small enough that the
// time budget is kept, large enough that a flood costs few document edits.
constexpr std::size_t kDrainChunk = 16 * 1024;
constexpr int kColumns = 80;
constexpr int kRows = 25;

std::atomic<bool> s_failNextOpen { false };
int s_scrollbackForTesting = 0;


// A monospaced face that also has the Japanese glyphs, so that full-width
// characters line up at two columns as they did on the original console.
QFont ConsoleFont()
{
    for (const char* family : { "Noto Sans Mono CJK JP", "Noto Sans Mono CJK SC", "VL Gothic", "IPAGothic" }) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            QFont font(QString::fromLatin1(family));
            font.setPointSize(11);
            font.setStyleHint(QFont::TypeWriter);
            font.setFixedPitch(true);
            return font;
        }
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

std::string ToCp932(const QString& text)
{
    return codec::Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                   static_cast<std::size_t>(text.size())));
}

// Owns the worker thread of one console job. It lives until the worker has
// ended, independent of the window, which the user may close at any time.
class CConsoleJob : public QObject {
public:
    CConsoleJob(QObject* parent, std::shared_ptr<CConsoleChannel> channel, CConsoleWindow* window,
                std::function<void()> done)
        : QObject(parent)
        , m_channel(std::move(channel))
        , m_window(window)
        , m_done(std::move(done))
    {
        // A run sets the run flag when it starts; a stop that came before
        // (a console closed or Ctrl+C at once) would be undone by that and
        // leave a run going on with nobody to stop it. So the flag is held
        // cleared until the worker has ended.
        connect(&m_holdStop, &QTimer::timeout, this, [this] {
            if (m_channel->IsStopRequested())
                g_running = 0;
        });
        m_holdStop.start(kHoldStopIntervalMs);
    }

    // The owner is going away with the job still running: stop it and wait,
    // but call nobody back, since the caller is being destroyed.
    ~CConsoleJob() override
    {
        if (m_thread.joinable()) {
            m_channel->Close();
            m_thread.join();
        }
    }

    // Throws std::system_error when the thread cannot be started.
    void Start(std::function<void(CConsole&)> job)
    {
        m_thread = std::thread([this, channel = m_channel, job = std::move(job)] {
            {
                CWindowConsole console(channel);
                try {
                    job(console);
                } catch (const std::exception& e) {
                    // Shown rather than lost: the user sees why the job ended.
                    console.NewLine();
                    console.WriteRaw(e.what());
                    console.NewLine();
                } catch (...) {
                    // Errors of the chart have been reported on the console by
                    // the job itself; the console is still released below.
                }
                if (!console.IsFinished())
                    console.Finish();
                channel->Release();
            }
            QMetaObject::invokeMethod(this, [this] { WorkerEnded(); }, Qt::QueuedConnection);
        });
    }

private:
    void WorkerEnded()
    {
        m_holdStop.stop();
        m_thread.join();
        if (m_window)
            m_window->close();
        std::function<void()> done = std::move(m_done);
        deleteLater();
        if (done)
            done();
    }

    std::shared_ptr<CConsoleChannel> m_channel;
    QPointer<CConsoleWindow> m_window;
    std::function<void()> m_done;
    QTimer m_holdStop;
    std::thread m_thread;
};

} // namespace

void FailNextConsoleOpenForTesting()
{
    s_failNextOpen = true;
}

std::shared_ptr<CConsoleChannel> StartConsoleJob(QWidget* owner, ConsoleKind kind,
                                                 std::function<void(CConsole&)> job, std::function<void()> done)
{
    QObject* const context = owner ? static_cast<QObject*>(owner) : static_cast<QObject*>(qApp);
    auto channel = std::make_shared<CConsoleChannel>();
    QPointer<CConsoleWindow> window;
    CConsoleJob* controller = nullptr;
    try {
        if (s_failNextOpen.exchange(false))
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        window = new CConsoleWindow(owner, kind, channel);
        controller = new CConsoleJob(context, channel, window, std::move(done));
        controller->Start(std::move(job));
    } catch (const std::exception& e) {
        // The original program ended here with status 255 and took every
        // unsaved chart with it; report the failure and carry on instead.
        if (controller) {
            done = nullptr;
            delete controller;
        }
        delete window.data();
        auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Tavrin"),
                                    ui::Tr(texts::kConsoleOpenFailed) + QLatin1Char('\n')
                                        + QString::fromLocal8Bit(e.what()),
                                    QMessageBox::Ok, owner);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        if (done)
            QTimer::singleShot(0, context, std::move(done));
        return nullptr;
    }
    window->show();
    window->raise();
    window->activateWindow();
    return channel;
}

void EndConsoleJobs(QObject* owner)
{
    for (QObject* child : owner->findChildren<QObject*>(Qt::FindDirectChildrenOnly))
        delete dynamic_cast<CConsoleJob*>(child);
}

CConsoleWindow::CConsoleWindow(QWidget* owner, ConsoleKind kind, std::shared_ptr<CConsoleChannel> channel)
    : QPlainTextEdit(owner)
    , m_kind(kind)
    , m_channel(std::move(channel))
{
    // A transient of the main window (a dialog-type window to the window
    // manager), so that the main window never covers it during a run; it
    // keeps the buttons of an ordinary window.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_InputMethodEnabled);
    setWindowTitle(TitleFor(kind));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setAcceptDrops(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAnywhere);
    // A runaway output loop must not take all memory: the oldest lines go.
    setMaximumBlockCount(ScrollbackLines());

    const QFont font = ConsoleFont();
    setFont(font);
    document()->setDefaultFont(font);
    const QFontMetrics metrics(font);
    setTabStopDistance(8 * metrics.horizontalAdvance(QLatin1Char(' ')));

    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, QColor(0xC0, 0xC0, 0xC0));
    setPalette(colours);

    const int frame = 2 * frameWidth() + 2 * static_cast<int>(document()->documentMargin());
    resize(kColumns * metrics.horizontalAdvance(QLatin1Char('M')) + frame + verticalScrollBar()->sizeHint().width(),
           kRows * metrics.lineSpacing() + frame);

    connect(&m_drainTimer, &QTimer::timeout, this, [this] { DrainOutput(); });
    m_drainTimer.start(kDrainIntervalMs);
}

CConsoleWindow::~CConsoleWindow()
{
    // Destroyed with its owner or after a close: either way the worker must
    // never wait for this window again.
    m_channel->Close();
}

QString CConsoleWindow::TitleFor(ConsoleKind kind)
{
    return ui::QtText(texts::kConsoleTitlePrefix)
        + ui::QtText(kind == ConsoleKind::Run ? texts::kRunTitle : texts::kCodeTitle);
}

int CConsoleWindow::ScrollbackLines()
{
    if (s_scrollbackForTesting > 0)
        return s_scrollbackForTesting;
    bool ok = false;
    const int lines = QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tavrin"))
                          .value(QStringLiteral("Console/ScrollbackLines")).toInt(&ok);
    return ok && lines > 0 ? lines : kDefaultScrollbackLines;
}

void CConsoleWindow::SetScrollbackLinesForTesting(int lines)
{
    s_scrollbackForTesting = lines;
}

QString CConsoleWindow::Text() const
{
    return toPlainText();
}

bool CConsoleWindow::DrainOutput(int budgetMs)
{
    QScrollBar* const bar = verticalScrollBar();
    const bool follow = bar->value() >= bar->maximum();
    QElapsedTimer clock;
    clock.start();
    bool any = false;
    std::string chunk;
    while (m_channel->Take(chunk, kDrainChunk)) {
        any = true;
        AppendOutput(ui::QtText(m_decoder.Feed(chunk)));
        if (clock.elapsed() >= budgetMs)
            break;
    }
    // A lead byte left over at the very end has no trail byte coming.
    if (m_channel->IsReleased() && m_channel->PendingOutput() == 0) {
        const std::string rest = m_decoder.Flush();
        if (!rest.empty()) {
            AppendOutput(ui::QtText(rest));
            any = true;
        }
    }
    if (any && follow)
        bar->setValue(bar->maximum());
    return any;
}

void CConsoleWindow::AppendOutput(const QString& text)
{
    QString shown = text;
    // Lines end in a bare line feed on this console; a carriage return
    // (from box texts stored with CR LF) would only show as a stray glyph.
    shown.remove(QLatin1Char('\r'));
    if (shown.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.setPosition(m_inputStart);
    // One edit block per batch: the layout hears of the change once instead
    // of once per line.
    cursor.beginEditBlock();
    cursor.insertText(shown);
    cursor.endEditBlock();
    m_inputStart = cursor.position();
}

void CConsoleWindow::TypeText(const QString& text)
{
    if (m_channel->IsReleased() || m_channel->IsClosed())
        return;
    QString run; // printable characters, inserted in one edit
    const auto flush = [&] {
        if (run.isEmpty())
            return;
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(run);
        run.clear();
    };
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\n' || c == U'\r') {
            flush();
            Enter();
        } else if (QChar::isPrint(c) || c == U'\t') {
            run += QString::fromUcs4(&c, 1);
        }
    }
    flush();
    MoveCaretToEnd();
}

void CConsoleWindow::Backspace()
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (cursor.position() > m_inputStart)
        cursor.deletePreviousChar();
    MoveCaretToEnd();
}

QString CConsoleWindow::InputLine() const
{
    QTextCursor cursor(document());
    cursor.setPosition(m_inputStart);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

void CConsoleWindow::Enter()
{
    if (m_channel->IsAtExitPrompt()) {
        // Only once the prompt is on the screen: an Enter pressed before the
        // user could see it must not make the output vanish.
        if (m_channel->PendingOutput() != 0)
            return;
        m_channel->DeliverLine("\n");
        close();
        return;
    }
    const QString line = InputLine();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\n"));
    m_inputStart = cursor.position();
    MoveCaretToEnd();
    m_channel->DeliverLine(ToCp932(line) + '\n');
}

void CConsoleWindow::Interrupt()
{
    // The typed part of an interrupted line was never delivered: take it off
    // the screen rather than leave it looking like input the run received.
    QTextCursor cursor(document());
    cursor.setPosition(m_inputStart);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_channel->Interrupt();
}

void CConsoleWindow::CopySelection()
{
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        copy();
}

void CConsoleWindow::MoveCaretToEnd()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
}

bool CConsoleWindow::event(QEvent* e)
{
    // Keys typed into the console belong to the console: no shortcut of the
    // main window may take Ctrl+C, Enter or a letter away from it.
    if (e->type() == QEvent::ShortcutOverride) {
        e->accept();
        return true;
    }
    // Tab is a character to type here, not a move of the focus.
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QPlainTextEdit::event(e);
}

void CConsoleWindow::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    if (key == Qt::Key_C && mods == Qt::ControlModifier) {
        // In the code console Ctrl+C is the way to take the program away;
        // without a selection it interrupts, as everywhere else.
        if (m_kind == ConsoleKind::Code && textCursor().hasSelection())
            CopySelection();
        else
            Interrupt();
        return;
    }
    if ((key == Qt::Key_Pause && (mods & Qt::ControlModifier)) || key == Qt::Key_Cancel) {
        // Ctrl+Break only tells the user that it was seen: unlike Ctrl+C it
        // does not stop the run. The box is not modal, so output goes on.
        auto* box = new QMessageBox(QMessageBox::NoIcon, ui::QtText(texts::kHandlerCaption),
            ui::QtText(texts::kHandlerMessage),
            QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("handlerMessage"));
        box->open();
        return;
    }
    if ((key == Qt::Key_C && mods == (Qt::ControlModifier | Qt::ShiftModifier))
        || (key == Qt::Key_Insert && mods == Qt::ControlModifier)) {
        CopySelection();
        return;
    }
    if (key == Qt::Key_A && mods == Qt::ControlModifier) {
        selectAll();
        return;
    }
    if ((key == Qt::Key_V && mods == Qt::ControlModifier) || (key == Qt::Key_Insert && mods == Qt::ShiftModifier)
        || (key == Qt::Key_V && mods == (Qt::ControlModifier | Qt::ShiftModifier))) {
        TypeText(QApplication::clipboard()->text());
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!m_channel->IsReleased() && !m_channel->IsClosed())
            Enter();
        return;
    }
    if (key == Qt::Key_Backspace) {
        Backspace();
        return;
    }
    const QString text = e->text();
    if (!text.isEmpty() && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        && (QChar::isPrint(text.toUcs4().value(0)) || text == QLatin1String("\t"))) {
        TypeText(text);
        return;
    }
    // Scrolling and selecting with the keyboard.
    QPlainTextEdit::keyPressEvent(e);
}

void CConsoleWindow::inputMethodEvent(QInputMethodEvent* e)
{
    if (!e->commitString().isEmpty())
        TypeText(e->commitString());
    e->accept();
}

void CConsoleWindow::closeEvent(QCloseEvent* e)
{
    m_drainTimer.stop();
    m_channel->Close();
    if (QWidget* owner = parentWidget())
        owner->activateWindow();
    e->accept();
}

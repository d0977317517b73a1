#include "view/CBoxEdit.h"

#include "view/CTavrinView.h"
#include "view/ChartFonts.h"
#include "base/Codec.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QTextCursor>

#include <algorithm>
#include <array>

namespace {

// Box texts keep Windows line breaks; the widget works with '\n'.
QString ToWidgetText(const std::string& cp932)
{
    QString text = QString::fromStdString(codec::Cp932ToUtf8(cp932));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

CBoxEdit::CBoxEdit(CTavrinView& view, CProcessBox& box)
    : QPlainTextEdit(view.viewport())
    , m_view(view)
    , m_box(box)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    document()->setDocumentMargin(chartfonts::kEditorTextInset);
    setFont(view.font());
    connect(this, &QPlainTextEdit::textChanged, this, &CBoxEdit::Recache);
    show();
}

CBoxEdit::~CBoxEdit() = default;

std::string CBoxEdit::GetText() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

void CBoxEdit::SetText(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_setBytes = text;
    }
    const QSignalBlocker block(this);
    setPlainText(ToWidgetText(text));
    m_setPlain = toPlainText();
    Recache();
}

void CBoxEdit::MoveWindow(int left, int top, int width, int height)
{
    QRect rect(left, top, width, height);
    // Scaled, an outline one unit wide may spread over part of the next
    // unit, and a child window at a fractional device position covers the
    // device pixel it starts or ends in: one more unit of room on every side
    // keeps each outline pixel visible.
    if (devicePixelRatioF() != 1.0 && rect.width() > 2 && rect.height() > 2)
        rect.adjust(1, 1, -1, -1);
    if (geometry() != rect)
        setGeometry(rect);
}

void CBoxEdit::SubstituteUnencodable()
{
    if (UnencodableChar().empty())
        return;
    const QString before = toPlainText().left(textCursor().position());
    const std::u16string_view prefix(reinterpret_cast<const char16_t*>(before.utf16()),
                                     static_cast<std::size_t>(before.size()));
    const qsizetype caret = ToWidgetText(codec::Utf16ToCp932(prefix)).size();
    SetText(GetText());
    QTextCursor cursor = textCursor();
    cursor.setPosition(static_cast<int>(std::min<qsizetype>(caret, toPlainText().size())));
    setTextCursor(cursor);
}

std::string CBoxEdit::UnencodableChar() const
{
    std::lock_guard lock(m_mutex);
    return m_unencodable;
}

void CBoxEdit::Recache()
{
    const QString plain = toPlainText();
    std::string bytes;
    std::string bad;
    if (plain == m_setPlain) {
        std::lock_guard lock(m_mutex);
        bytes = m_setBytes;
    } else {
        QString withBreaks = plain;
        withBreaks.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        const QByteArray utf8 = withBreaks.toUtf8();
        if (auto converted = codec::Utf8ToCp932(std::string_view(utf8.constData(), utf8.size()), &bad)) {
            bytes = std::move(*converted);
        } else {
            const std::u16string_view utf16(reinterpret_cast<const char16_t*>(withBreaks.utf16()),
                                            static_cast<std::size_t>(withBreaks.size()));
            bytes = codec::Utf16ToCp932(utf16);
        }
    }
    std::lock_guard lock(m_mutex);
    m_bytes = std::move(bytes);
    m_unencodable = std::move(bad);
}

bool CBoxEdit::IsFrameAccelerator(const QKeyEvent& key)
{
    static const std::array<QKeySequence, 14> accelerators {
        QKeySequence(Qt::CTRL | Qt::Key_N),      QKeySequence(Qt::CTRL | Qt::Key_O),
        QKeySequence(Qt::CTRL | Qt::Key_S),      QKeySequence(Qt::CTRL | Qt::Key_P),
        QKeySequence(Qt::CTRL | Qt::Key_Z),      QKeySequence(Qt::ALT | Qt::Key_Backspace),
        QKeySequence(Qt::CTRL | Qt::Key_X),      QKeySequence(Qt::SHIFT | Qt::Key_Delete),
        QKeySequence(Qt::CTRL | Qt::Key_C),      QKeySequence(Qt::CTRL | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_V),      QKeySequence(Qt::SHIFT | Qt::Key_Insert),
        QKeySequence(Qt::Key_F6),                QKeySequence(Qt::SHIFT | Qt::Key_F6),
    };
    const QKeyCombination pressed = key.keyCombination();
    // Keypad keys carry a modifier of their own that no accelerator names.
    const QKeySequence sequence(QKeyCombination(pressed.keyboardModifiers() & ~Qt::KeypadModifier, pressed.key()));
    for (const QKeySequence& accelerator : accelerators) {
        if (accelerator == sequence)
            return true;
    }
    return false;
}

bool CBoxEdit::event(QEvent* e)
{
    // The text widget claims Cut, Copy, Paste and Undo for itself before the
    // window's shortcuts are looked at; leave those keys to the main window.
    if (e->type() == QEvent::ShortcutOverride && IsFrameAccelerator(*static_cast<QKeyEvent*>(e))) {
        e->ignore();
        return true;
    }
    return QPlainTextEdit::event(e);
}

void CBoxEdit::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QPlainTextEdit::mousePressEvent(e);
        return;
    }
    // Selects the box and puts the caret at the clicked character, without
    // starting a drag selection of text.
    m_view.EditorClicked(*this);
    setFocus(Qt::MouseFocusReason);
    QTextCursor cursor = cursorForPosition(e->position().toPoint());
    cursor.clearSelection();
    setTextCursor(cursor);
    e->accept();
}

void CBoxEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
        m_view.setFocus(Qt::TabFocusReason);
        e->accept();
        return;
    }
    // A disabled frame command still owns its keys (Undo has no handler):
    // they never reach the text.
    if (IsFrameAccelerator(*e)) {
        e->accept();
        return;
    }
    m_view.EditorKeyPressed();
    QPlainTextEdit::keyPressEvent(e);
}

void CBoxEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if (!e->commitString().isEmpty())
        m_view.EditorKeyPressed();
    QPlainTextEdit::inputMethodEvent(e);
}

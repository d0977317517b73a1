#include "view/CBoxEdit.h"

#include "view/CBoxText.h"
#include "base/Codec.h"
#include "view/CTavrinView.h"
#include "view/ChartFonts.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QWheelEvent>

#include <algorithm>
#include <array>

CBoxEdit::CBoxEdit(CTavrinView& view)
    : QPlainTextEdit(view.viewport())
    , m_view(view)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    // The chart has one history, in which the typing is a step: the widget
    // keeps none of its own (nor offers it in its context menu).
    setUndoRedoEnabled(false);
    // The view places the widget where the painted text starts.
    document()->setDocumentMargin(0);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    setPalette(palette);
    connect(this, &QPlainTextEdit::textChanged, this, &CBoxEdit::Edited);
    hide();
}

CBoxEdit::~CBoxEdit() = default;

void CBoxEdit::Attach(CBoxText* text)
{
    m_text = text;
    Reload();
}

void CBoxEdit::Reload()
{
    const QSignalBlocker block(this);
    // A new document each time: the undo steps of one box never apply to
    // another.
    setPlainText(m_text ? m_text->DisplayText() : QString());
    document()->setDocumentMargin(0);
    moveCursor(QTextCursor::End);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

std::string CBoxEdit::GetText() const
{
    return m_text ? m_text->GetText() : std::string();
}

void CBoxEdit::SubstituteUnencodable()
{
    if (!m_text || UnencodableChar().empty())
        return;
    const QString before = toPlainText().left(textCursor().position());
    const std::u16string_view prefix(reinterpret_cast<const char16_t*>(before.utf16()),
                                     static_cast<std::size_t>(before.size()));
    const qsizetype caret = CBoxText::ToDisplay(codec::Utf16ToCp932(prefix)).size();
    m_text->SetText(m_text->GetText()); // reloads this widget
    QTextCursor cursor = textCursor();
    cursor.setPosition(static_cast<int>(std::min<qsizetype>(caret, toPlainText().size())));
    setTextCursor(cursor);
}

std::string CBoxEdit::UnencodableChar() const
{
    return m_text ? m_text->UnencodableChar() : std::string();
}

void CBoxEdit::Edited()
{
    if (!m_text)
        return;
    m_text->SetTyped(toPlainText());
    m_view.TextTyped(*m_text);
}

bool CBoxEdit::IsFrameAccelerator(const QKeyEvent& key)
{
    static const std::array<QKeySequence, 21> accelerators {
        QKeySequence(Qt::CTRL | Qt::Key_N),      QKeySequence(Qt::CTRL | Qt::Key_O),
        QKeySequence(Qt::CTRL | Qt::Key_S),      QKeySequence(Qt::CTRL | Qt::Key_P),
        QKeySequence(Qt::CTRL | Qt::Key_Z),      QKeySequence(Qt::ALT | Qt::Key_Backspace),
        QKeySequence(Qt::CTRL | Qt::Key_Y),      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
        QKeySequence(Qt::CTRL | Qt::Key_X),      QKeySequence(Qt::SHIFT | Qt::Key_Delete),
        QKeySequence(Qt::CTRL | Qt::Key_C),      QKeySequence(Qt::CTRL | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_V),      QKeySequence(Qt::SHIFT | Qt::Key_Insert),
        QKeySequence(Qt::Key_F6),                QKeySequence(Qt::SHIFT | Qt::Key_F6),
        QKeySequence(Qt::CTRL | Qt::Key_Plus),   QKeySequence(Qt::CTRL | Qt::Key_Equal),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus),
        QKeySequence(Qt::CTRL | Qt::Key_Minus),  QKeySequence(Qt::CTRL | Qt::Key_0),
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
    // The text widget claims Cut, Copy, Paste, Undo and Redo for itself
    // before the window's shortcuts are looked at; leave those keys to the
    // main window.
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
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        m_view.EditorEscaped(*this);
        e->accept();
        return;
    }
    // A disabled frame command still owns its keys (Undo with nothing to
    // undo): they never reach the text.
    if (IsFrameAccelerator(*e)) {
        e->accept();
        return;
    }
    m_view.EditorKeyPressed();
    QPlainTextEdit::keyPressEvent(e);
}

void CBoxEdit::focusOutEvent(QFocusEvent* e)
{
    // A menu opened or another window activated is no leaving of the box;
    // the focus going elsewhere in the program is.
    if (m_text && e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason)
        m_view.EditorLeft();
    QPlainTextEdit::focusOutEvent(e);
}

void CBoxEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if (!e->commitString().isEmpty())
        m_view.EditorKeyPressed();
    QPlainTextEdit::inputMethodEvent(e);
}

void CBoxEdit::wheelEvent(QWheelEvent* e)
{
    // The text never scrolls inside its box; the wheel scrolls or zooms the
    // chart, as over a painted text.
    m_view.WheelFromEditor(e);
}

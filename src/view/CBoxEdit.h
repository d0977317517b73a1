#pragma once
// The chart view's one text widget: a borderless multi-line editor that the
// view lays over the box being edited, at the view's zoom. Every other box
// shows its text painted by the view. The widget is a window onto the box's
// CBoxText, which holds the live text: each change is written back there at
// once, so run, save, print and copy never depend on the widget.

#include <QPlainTextEdit>

#include <string>

class CBoxText;
class CProcessBox;
class CTavrinView;
class QKeyEvent;

class CBoxEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CBoxEdit(CTavrinView& view);
    ~CBoxEdit() override;

    // Shows and edits `text` (null: none). The caret goes to the end.
    void Attach(CBoxText* text);
    CBoxText* Attached() const { return m_text; }
    // Takes the attached text again after it was set from outside.
    void Reload();

    // Of the attached text (empty when none): code page 932 bytes with CR LF
    // line breaks, and the first character code page 932 cannot hold.
    std::string GetText() const;
    std::string UnencodableChar() const;
    // Shows the text as GetText gives it, every character that code page 932
    // cannot hold replaced by '?'; the caret stays where it was in the text.
    void SubstituteUnencodable();
    // The text as the user sees it, for messages.
    QString DisplayText() const { return toPlainText(); }

    // Keys the main window translates before an editor sees them: they act
    // on boxes (Cut, Copy, Paste), on the chart's history (Undo, Redo), on
    // the zoom or on the program, never on the text.
    static bool IsFrameAccelerator(const QKeyEvent& key);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void Edited();

    CTavrinView& m_view;
    CBoxText* m_text { nullptr }; // the box's, not owned
};

#pragma once
// The in-place editor of one displayed box: a borderless multi-line text
// widget laid over the box's interior, a child of the chart view's viewport.
// The box owns it (through CBoxEditor). The editor holds the live text; the
// box copies it into m_text whenever an operation needs it.

#include "model/CBoxEditor.h"

#include <QPlainTextEdit>

#include <mutex>
#include <string>

class CProcessBox;
class CTavrinView;
class QKeyEvent;

class CBoxEdit : public QPlainTextEdit, public CBoxEditor {
    Q_OBJECT

public:
    CBoxEdit(CTavrinView& view, CProcessBox& box);
    ~CBoxEdit() override;

    // Code page 932 bytes with CR LF line breaks, as the file stores them.
    // Safe to call from a worker thread: it returns the text as it stood at
    // the last edit and never touches the widget.
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void MoveWindow(int left, int top, int width, int height) override;

    // The first character of the text that code page 932 cannot hold
    // (UTF-8), or empty. GetText gives such a character as '?'.
    std::string UnencodableChar() const;
    // Shows the text as GetText gives it, every character that code page 932
    // cannot hold replaced by '?'; the caret stays where it was in the text.
    void SubstituteUnencodable();
    // The text as the user sees it, for messages.
    QString DisplayText() const { return toPlainText(); }
    CProcessBox& Box() const { return m_box; }

    // Keys the main window translates before an editor sees them: they act
    // on boxes (Cut, Copy, Paste, Undo) or on the program, never on the text.
    static bool IsFrameAccelerator(const QKeyEvent& key);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    void Recache();

    CTavrinView& m_view;
    CProcessBox& m_box;

    mutable std::mutex m_mutex;
    std::string m_bytes;       // GetText's answer
    std::string m_unencodable; // first character that code page 932 cannot hold

    // A text that was set and never edited gives back the very bytes it was
    // set from, even where they are not valid code page 932.
    std::string m_setBytes;
    QString m_setPlain;
};

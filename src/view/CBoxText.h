#pragma once
// The editor a displayed box owns in the chart view: the box's live text,
// without a window. The view paints it in the box's editor rectangle; while
// the user edits the box, the view's one text widget (CBoxEdit) shows it
// and writes every change back here. Cheap enough for charts of 100,000
// boxes: a few strings, no widget, no timer.

#include "model/CBoxEditor.h"

#include <QString>

#include <memory>
#include <mutex>
#include <string>

class CProcessBox;
class CTavrinView;

class CBoxText final : public CBoxEditor {
public:
    CBoxText(CTavrinView& view, CProcessBox& box);
    ~CBoxText() override;
    CBoxText(const CBoxText&) = delete;
    CBoxText& operator=(const CBoxText&) = delete;

    // Code page 932 bytes with CR LF line breaks, as the file stores them.
    // Safe to call from a worker thread.
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    // The view places its widget itself; a painted text needs no window.
    void MoveWindow(int, int, int, int) override { }
    bool HasWindow() const override { return false; }

    // The text as the user sees it ('\n' line breaks), for painting, for the
    // editing widget and for messages. Made on first use, then kept.
    const QString& DisplayText() const;
    // What the view paints: the whole display text, or for a huge text only
    // the part a box can show, so that a repaint costs what can be seen.
    const QString& PaintedText() const;
    // Takes the text the user typed (from the editing widget).
    void SetTyped(const QString& plain);
    // The first character of the text that code page 932 cannot hold
    // (UTF-8), or empty. GetText gives such a character as '?'.
    std::string UnencodableChar() const;
    // Shows the text as GetText gives it, every character that code page 932
    // cannot hold replaced by '?' (in the text widget too, the caret kept).
    void SubstituteUnencodable();

    // Code page 932 bytes as the user sees them: '\n' line breaks.
    static QString ToDisplay(const std::string& cp932);

    CProcessBox& Box() const { return m_box; }
    CTavrinView& View() const { return m_view; }

private:
    CTavrinView& m_view;
    CProcessBox& m_box;

    mutable std::mutex m_mutex;
    std::string m_bytes; // GetText's answer
    mutable QString m_display;
    mutable bool m_displayMade { false };
    mutable QString m_painted;
    mutable bool m_paintedMade { false };

    // Only a text that was typed into carries these. A text that was set and
    // never edited gives back the very bytes it was set from, even where
    // they are not valid code page 932.
    struct Typed {
        std::string setBytes;
        QString setPlain;
        std::string unencodable;
    };
    std::unique_ptr<Typed> m_typed;
};

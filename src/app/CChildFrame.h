#pragma once
// One MDI child window per open chart. It owns the chart's document and
// holds its view; the document dies first, so that the box editors, which
// tell the view when they go, never outlive it.

#include <QMdiSubWindow>

#include <memory>

class CMainFrame;
class CTavrinDoc;
class CTavrinView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT

public:
    // `title`: the chart's name ("Pad1" or the file's name); `path`: the file,
    // empty for a new chart.
    CChildFrame(CMainFrame& frame, std::unique_ptr<CTavrinDoc> doc, const QString& title,
                const QString& path);
    ~CChildFrame() override;

    CTavrinDoc& Document() const { return *m_doc; }
    CTavrinView& View() const { return *m_view; }
    QString Title() const { return m_title; }
    QString Path() const { return m_path; }
    // After a save under a new name.
    void SetPath(const QString& path);
    // The window title shows the name and, while the chart is modified, "*".
    void UpdateTitle();
    // Closed (or closing) windows no longer count as open charts.
    bool IsClosed() const { return m_closed; }
    // Closes without the question to save (it has been answered already).
    void CloseWithoutQuestion();

signals:
    void Closed(CChildFrame* child);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    CMainFrame& m_frame;
    std::unique_ptr<CTavrinDoc> m_doc;
    CTavrinView* m_view; // a child widget; deleted after m_doc
    QString m_title;
    QString m_path;
    bool m_closed { false };
    bool m_skipQuestion { false };
};

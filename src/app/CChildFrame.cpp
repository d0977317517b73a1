#include "app/CChildFrame.h"

#include "app/CMainFrame.h"
#include "model/CTavrinDoc.h"
#include "view/CTavrinView.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>

CChildFrame::CChildFrame(CMainFrame& frame, std::unique_ptr<CTavrinDoc> doc, const QString& title,
                         const QString& path)
    : m_frame(frame)
    , m_doc(std::move(doc))
    , m_view(new CTavrinView(*m_doc, this))
    , m_title(title)
    , m_path(path)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_view);
    setWindowIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")));
    connect(m_view, &CTavrinView::Changed, this, &CChildFrame::UpdateTitle);
    UpdateTitle();
}

CChildFrame::~CChildFrame()
{
    // The chart's boxes own their editors, which tell the view when they
    // go: release them while the view still exists.
    m_doc.reset();
}

void CChildFrame::SetPath(const QString& path)
{
    m_path = path;
    m_title = QFileInfo(path).fileName();
    UpdateTitle();
}

void CChildFrame::UpdateTitle()
{
    setWindowTitle(m_title + QStringLiteral("[*]"));
    setWindowModified(m_doc->IsModified());
}

void CChildFrame::CloseWithoutQuestion()
{
    m_skipQuestion = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* e)
{
    if (m_closed) {
        e->accept();
        return;
    }
    if (!m_frame.CanCloseChild(*this, m_skipQuestion)) {
        m_skipQuestion = false;
        e->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(e);
    if (!e->isAccepted())
        return;
    m_closed = true;
    emit Closed(this);
}

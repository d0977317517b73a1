#include "app/CMainFrame.h"

#include "app/CAboutDialog.h"
#include "model/CArchive.h"
#include "view/CBoxText.h"
#include "app/CChildFrame.h"
#include "view/CConsoleWindow.h"
#include "app/CPrompts.h"
#include "app/CTavrinApp.h"
#include "app/CTranslations.h"
#include "model/CTavrinDoc.h"
#include "view/CTavrinView.h"
#include "view/ChartPrinting.h"
#include "codegen/CodeGenerator.h"
#include "app/CommandIds.h"
#include "model/FileIO.h"
#include "exec/RunDriver.h"
#include "app/UiTexts.h"
#include "view/CBoxEdit.h"
#include "codegen/ExactGenerator.h"
#include "app/CRunWatch.h"
#include "app/CVariableDock.h"
#include "base/Codec.h"
#include "view/CConsoleChannel.h"
#include "view/QtText.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>

#include <algorithm>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

using prompts::Text;

namespace {

// The prompt is the part of a command string before the line break, the
// tooltip the part after it.
QString PromptOf(std::string_view text)
{
    return Text(text).section(QLatin1Char('\n'), 0, 0);
}

QString TooltipOf(std::string_view text)
{
    return Text(text).section(QLatin1Char('\n'), 1);
}

QIcon ThemeIcon(const char* name, const QIcon& fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

QIcon ResourceIcon(const char* file)
{
    return QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(file));
}

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

const char* const kRecentGroup = "Recent File List";
// How long after a console has gone an activation of the main window still
// counts as the one its closing caused.
constexpr int kLateActivationMs = 1000;

} // namespace

CMainFrame::CMainFrame()
{
    setWindowTitle(Text(texts::kAppTitle));
    setWindowIcon(ResourceIcon("tavrin.svg"));
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    m_variables = new CVariableDock(this);
    addDockWidget(Qt::RightDockWidgetArea, m_variables);
    m_variables->hide(); // until a run is watched
    ConnectCommands();
    LoadRecentFiles();
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateCommandUI);
    // A box copied in another window or program makes Paste available.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateCommandUI);
    // Clicks on the main window during a run bring the console to the front.
    qApp->installEventFilter(this);
    resize(900, 650);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    // A job still under way reads a chart: it ends before any chart goes.
    EndConsoleJobs(this);
    // The charts' windows announce activations while they are taken down;
    // the commands must not look at a window that is half destroyed.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    m_watchChild = nullptr;
    // Documents before views: see CChildFrame.
    for (CChildFrame* child : m_mdiArea->findChildren<CChildFrame*>())
        delete child;
}

QAction* CMainFrame::AddAction(int id, std::string_view text, std::string_view prompt, const QIcon& icon)
{
    auto* action = new QAction(icon, Text(text), this);
    action->setData(id);
    if (!prompt.empty()) {
        action->setStatusTip(PromptOf(prompt));
        action->setToolTip(TooltipOf(prompt));
    }
    // Every command's keys work whichever menu is shown.
    addAction(action);
    m_actions[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions()
{
    QStyle* s = style();
    AddAction(cmd::kFileNew, texts::kItemFileNew, texts::kPromptFileNew,
              ThemeIcon("document-new", s->standardIcon(QStyle::SP_FileIcon)))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    AddAction(cmd::kFileOpen, texts::kItemFileOpen, texts::kPromptFileOpen,
              ThemeIcon("document-open", s->standardIcon(QStyle::SP_DialogOpenButton)))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    AddAction(cmd::kFileClose, texts::kItemFileClose);
    AddAction(cmd::kFileSave, texts::kItemFileSave, texts::kPromptFileSave,
              ThemeIcon("document-save", s->standardIcon(QStyle::SP_DialogSaveButton)))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    AddAction(cmd::kFileSaveAs, texts::kItemFileSaveAs);
    AddAction(cmd::kFilePrint, texts::kItemFilePrint, texts::kPromptFilePrint,
              ThemeIcon("document-print", ResourceIcon("print.svg")))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    AddAction(cmd::kFilePrintPreview, texts::kItemFilePrintPreview);
    AddAction(cmd::kFilePrintSetup, texts::kItemFilePrintSetup);
    m_recentPlaceholder = new QAction(Text(texts::kItemRecentFiles), this);
    m_recentPlaceholder->setData(cmd::kFileMru1);
    m_recentPlaceholder->setEnabled(false);
    for (int i = 0; i < cmd::kRecentFileCount; ++i)
        AddAction(cmd::kFileMru1 + i, "")->setVisible(false);
    AddAction(cmd::kAppExit, texts::kItemAppExit);

    AddAction(cmd::kEditUndo, texts::kItemEditUndo)
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace) });
    AddAction(cmd::kEditRedo, texts::kItemEditRedo)
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) });
    AddAction(cmd::kEditCut, texts::kItemEditCut, texts::kPromptEditCut,
              ThemeIcon("edit-cut", ResourceIcon("cut.svg")))
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete) });
    AddAction(cmd::kEditCopy, texts::kItemEditCopy, texts::kPromptEditCopy,
              ThemeIcon("edit-copy", ResourceIcon("copy.svg")))
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert) });
    QAction* paste = AddAction(cmd::kEditPaste, texts::kItemEditPaste, texts::kPromptEditPaste,
                               ResourceIcon("paste.svg"));
    paste->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert) });
    paste->setCheckable(true);

    struct Tool {
        int id;
        std::string_view prompt;
        const char* icon;
    };
    static constexpr Tool tools[] = {
        { cmd::kAddSimple, texts::kPromptAddSimple, "simple.svg" },
        { cmd::kAddBranch, texts::kPromptAddBranch, "branch.svg" },
        { cmd::kAddPreTestLoop, texts::kPromptAddPreTestLoop, "pretest.svg" },
        { cmd::kAddPostTestLoop, texts::kPromptAddPostTestLoop, "posttest.svg" },
        { cmd::kAddOutput, texts::kPromptAddOutput, "output.svg" },
        { cmd::kAddInput, texts::kPromptAddInput, "input.svg" },
    };
    for (const Tool& tool : tools) {
        // The tools have no menu entries; their text is the tooltip.
        QAction* action = AddAction(tool.id, {}, tool.prompt, ResourceIcon(tool.icon));
        action->setText(TooltipOf(tool.prompt));
        action->setCheckable(true);
    }
    struct RunCommand {
        int id;
        std::string_view text;
        std::string_view prompt;
        const char* icon;
        QKeySequence key;
    };
    const RunCommand runCommands[] = {
        { cmd::kRun, texts::kItemRun, texts::kPromptRun, "run.svg", QKeySequence(Qt::Key_F5) },
        { cmd::kStep, texts::kItemStep, texts::kPromptStep, "step.svg", QKeySequence(Qt::Key_F10) },
        { cmd::kStepOver, texts::kItemStepOver, texts::kPromptStepOver, nullptr, QKeySequence(Qt::SHIFT | Qt::Key_F10) },
        { cmd::kContinue, texts::kItemContinue, texts::kPromptContinue, "continue.svg", QKeySequence(Qt::Key_F8) },
        { cmd::kPause, texts::kItemPause, texts::kPromptPause, nullptr, QKeySequence() },
        { cmd::kStop, texts::kItemStop, texts::kPromptStop, "stop.svg", QKeySequence(Qt::SHIFT | Qt::Key_F5) },
        { cmd::kToggleBreakpoint, texts::kItemToggleBreakpoint, texts::kPromptToggleBreakpoint, nullptr,
          QKeySequence(Qt::Key_F9) },
        { cmd::kClearBreakpoints, texts::kItemClearBreakpoints, texts::kPromptClearBreakpoints, nullptr, QKeySequence() },
        { cmd::kGenerateCode, texts::kItemGenerateCode, texts::kPromptGenerateCode, "code.svg", QKeySequence() },
    };
    for (const RunCommand& command : runCommands) {
        QAction* action = AddAction(command.id, command.text, command.prompt,
                                    command.icon ? ResourceIcon(command.icon) : QIcon());
        // A toolbar button that shows a text shows the tooltip's.
        action->setIconText(TooltipOf(command.prompt));
        if (!command.key.isEmpty())
            action->setShortcut(command.key);
    }
    AddAction(cmd::kGenerateExactCode, texts::kItemGenerateExactCode);
    auto* speeds = new QActionGroup(this);
    const std::pair<int, std::pair<std::string_view, std::string_view>> speedItems[] = {
        { cmd::kSpeedFull, { texts::kItemSpeedFull, texts::kPromptSpeedFull } },
        { cmd::kSpeedFast, { texts::kItemSpeedFast, texts::kPromptSpeedFast } },
        { cmd::kSpeedSlow, { texts::kItemSpeedSlow, texts::kPromptSpeedSlow } },
        { cmd::kSpeedVerySlow, { texts::kItemSpeedVerySlow, texts::kPromptSpeedVerySlow } },
    };
    for (const auto& [id, item] : speedItems) {
        QAction* action = AddAction(id, item.first, item.second);
        action->setCheckable(true);
        speeds->addAction(action);
    }
    Action(cmd::kSpeedFull)->setChecked(true);

    AddAction(cmd::kViewToolBar, texts::kItemViewToolBar)->setCheckable(true);
    AddAction(cmd::kViewStatusBar, texts::kItemViewStatusBar)->setCheckable(true);
    AddAction(cmd::kViewZoomIn, texts::kItemViewZoomIn)
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus) });
    AddAction(cmd::kViewZoomOut, texts::kItemViewZoomOut)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    AddAction(cmd::kViewZoomReset, texts::kItemViewZoomReset)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    auto* languages = new QActionGroup(this);
    for (int id : { cmd::kViewLanguageJapanese, cmd::kViewLanguageEnglish }) {
        QAction* action = AddAction(id, id == cmd::kViewLanguageJapanese ? texts::kItemLanguageJapanese
                                                                         : texts::kItemLanguageEnglish);
        action->setCheckable(true);
        languages->addAction(action);
    }
    AddAction(cmd::kWindowCascade, texts::kItemWindowCascade);
    AddAction(cmd::kWindowTileHorz, texts::kItemWindowTile);
    AddAction(cmd::kWindowArrange, texts::kItemWindowArrange);
    AddAction(cmd::kAppAbout, texts::kItemAppAbout, texts::kPromptAppAbout,
              ThemeIcon("help-about", s->standardIcon(QStyle::SP_MessageBoxInformation)));
    AddAction(cmd::kNextPane, "")->setShortcut(QKeySequence(Qt::Key_F6));
    AddAction(cmd::kPrevPane, "")->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
}

void CMainFrame::CreateMenus()
{
    auto menu = [this](std::string_view title, std::initializer_list<int> ids) {
        auto* m = new QMenu(Text(title), this);
        for (int id : ids) {
            if (id == 0) {
                m->addSeparator();
            } else if (id == cmd::kFileMru1) {
                m->addAction(m_recentPlaceholder);
                for (int i = 0; i < cmd::kRecentFileCount; ++i)
                    m->addAction(Action(cmd::kFileMru1 + i));
            } else {
                m->addAction(Action(id));
            }
        }
        return m;
    };
    using namespace cmd;
    m_menus128 = {
        menu(texts::kMenuFile, { kFileNew, kFileOpen, 0, kFilePrintSetup, 0, kFileMru1, 0, kAppExit }),
        menu(texts::kMenuView, { kViewToolBar, kViewStatusBar }),
        menu(texts::kMenuHelp, { kAppAbout }),
    };
    m_menus129 = {
        menu(texts::kMenuFile, { kFileNew, kFileOpen, kFileClose, kFileSave, kFileSaveAs, 0, kFilePrint,
                                 kFilePrintPreview, kFilePrintSetup, 0, kFileMru1, 0, kAppExit }),
        menu(texts::kMenuEdit, { kEditUndo, kEditRedo, 0, kEditCut, kEditCopy, kEditPaste }),
        menu(texts::kMenuView, { kViewToolBar, kViewStatusBar, 0, kViewZoomIn, kViewZoomOut, kViewZoomReset }),
        menu(texts::kMenuRun, { kRun, kStep, kStepOver, kContinue, kPause, kStop, 0, kToggleBreakpoint,
                                kClearBreakpoints, 0, kSpeedFull, 0, kGenerateCode, kGenerateExactCode }),
        menu(texts::kMenuWindow, { kWindowCascade, kWindowTileHorz, kWindowArrange }),
        menu(texts::kMenuHelp, { kAppAbout }),
    };
    // The speeds are one submenu, where the placeholder stood.
    QMenu* runMenu = m_menus129[3];
    auto* speedMenu = new QMenu(Text(texts::kMenuSpeed), runMenu);
    for (int id : { kSpeedFull, kSpeedFast, kSpeedSlow, kSpeedVerySlow })
        speedMenu->addAction(Action(id));
    runMenu->insertMenu(Action(kSpeedFull), speedMenu);
    runMenu->removeAction(Action(kSpeedFull));
    // One language submenu, at the foot of both View menus.
    auto* languageMenu = new QMenu(Text(texts::kMenuLanguage), this);
    languageMenu->addAction(Action(kViewLanguageJapanese));
    languageMenu->addAction(Action(kViewLanguageEnglish));
    for (QMenu* view : { m_menus128[1], m_menus129[2] }) {
        view->addSeparator();
        view->addMenu(languageMenu);
    }
    m_windowMenu = m_menus129[4];
    m_windowMenu->addSeparator()->setObjectName(QStringLiteral("windowListSeparator"));
    m_chartMenuShown = true; // so that the first ShowMenu(false) builds the bar
    ShowMenu(false);
}

void CMainFrame::ShowMenu(bool chartMenu)
{
    if (chartMenu == m_chartMenuShown)
        return;
    m_chartMenuShown = chartMenu;
    menuBar()->clear();
    for (QMenu* m : chartMenu ? m_menus129 : m_menus128)
        menuBar()->addMenu(m);
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setFloatable(true);
    m_toolBar->setMovable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    using namespace cmd;
    static constexpr int order[] = {
        kFileNew, kFileOpen, kFileSave, 0, kEditCut, kEditCopy, 0, kFilePrint, 0,
        kAddSimple, kAddBranch, kAddPreTestLoop, kAddPostTestLoop, kAddOutput, kAddInput, kEditPaste, 0,
        kRun, kStep, kContinue, kStop, kGenerateCode, 0, kAppAbout,
    };
    for (int id : order) {
        if (id == 0)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(Action(id));
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    m_idleLabel = new QLabel(Text(texts::kIdleMessage), bar);
    bar->addWidget(m_idleLabel, 1);
    // The active chart's zoom; empty while no chart is open.
    m_zoomLabel = new QLabel(bar);
    m_zoomLabel->setObjectName(QStringLiteral("zoom"));
    m_zoomLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_zoomLabel->setAlignment(Qt::AlignCenter);
    m_zoomLabel->setMinimumWidth(m_zoomLabel->fontMetrics().horizontalAdvance(QStringLiteral("400%")) + 10);
    bar->addPermanentWidget(m_zoomLabel);
    // Lock-key indicators. Qt cannot tell the state of these keys on every
    // platform, so they show as off (greyed).
    for (std::string_view indicator : { texts::kIndicatorKana, texts::kIndicatorCaps, texts::kIndicatorNum,
                                        texts::kIndicatorScroll }) {
        auto* label = new QLabel(Text(indicator), bar);
        label->setObjectName(QStringLiteral("indicator"));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
}

void CMainFrame::ConnectCommands()
{
    using namespace cmd;
    auto on = [this](int id, auto handler) { connect(Action(id), &QAction::triggered, this, handler); };
    on(kFileNew, [this] { OnFileNew(); });
    on(kFileOpen, [this] {
        const QString path = prompts::AskOpenPath(this);
        if (!path.isEmpty())
            OpenDocumentFile(path);
    });
    on(kFileClose, [this] {
        if (CChildFrame* child = ActiveChild())
            child->close();
    });
    on(kFileSave, [this] {
        if (CChildFrame* child = ActiveChild())
            SaveDocument(*child, false);
    });
    on(kFileSaveAs, [this] {
        if (CChildFrame* child = ActiveChild())
            SaveDocument(*child, true);
    });
    on(kFilePrint, [this] {
        if (CChildFrame* child = ActiveChild(); child && ConfirmEncodable(*child))
            PrintChart(this, child->Document());
    });
    on(kFilePrintPreview, [this] {
        if (CChildFrame* child = ActiveChild(); child && ConfirmEncodable(*child))
            PreviewChart(this, child->Document());
    });
    on(kFilePrintSetup, [this] { PrinterSetup(this); });
    for (int i = 0; i < kRecentFileCount; ++i) {
        on(kFileMru1 + i, [this, i] {
            if (i >= m_recentFiles.size())
                return;
            const QString path = m_recentFiles[i];
            if (!OpenDocumentFile(path)) {
                // A file that can no longer be read leaves the list.
                const qsizetype at = m_recentFiles.indexOf(path);
                if (at >= 0) {
                    m_recentFiles.removeAt(at);
                    m_recentZooms.removeAt(at);
                }
                SaveRecentFiles();
                UpdateRecentFileMenu();
            }
        });
    }
    on(kAppExit, [this] { close(); });

    on(kEditUndo, [this] {
        if (CTavrinView* view = ActiveView())
            view->OnEditUndo();
    });
    on(kEditRedo, [this] {
        if (CTavrinView* view = ActiveView())
            view->OnEditRedo();
    });
    on(kEditCut, [this] {
        if (CTavrinView* view = ActiveView())
            view->OnEditCut();
    });
    on(kEditCopy, [this] {
        if (CTavrinView* view = ActiveView())
            view->OnEditCopy();
    });
    on(kEditPaste, [this] {
        if (CTavrinView* view = ActiveView())
            view->OnEditPaste();
        UpdateCommandUI();
    });
    for (int id : { kAddSimple, kAddBranch, kAddPreTestLoop, kAddPostTestLoop, kAddOutput, kAddInput }) {
        on(id, [this, id] {
            if (CTavrinView* view = ActiveView())
                view->SetTool(static_cast<ToolId>(id));
            UpdateCommandUI();
        });
    }
    on(kRun, [this] { OnRun(); });
    // Without a watched run the step commands start one.
    on(kStep, [this] {
        if (m_watch)
            m_watch->Controller().Step();
        else
            StartJob(ConsoleKind::Run, false, JobWatch::Paused);
        UpdateCommandUI();
    });
    on(kStepOver, [this] {
        if (m_watch)
            m_watch->Controller().StepOver();
        else
            StartJob(ConsoleKind::Run, false, JobWatch::Paused);
        UpdateCommandUI();
    });
    on(kContinue, [this] {
        if (m_watch)
            m_watch->Controller().Continue();
        else
            StartJob(ConsoleKind::Run, false, JobWatch::Running);
        UpdateCommandUI();
    });
    on(kPause, [this] {
        if (m_watch)
            m_watch->Controller().Pause();
        UpdateCommandUI();
    });
    on(kStop, [this] {
        if (m_watch)
            m_watch->Controller().Stop();
        UpdateCommandUI();
    });
    on(kToggleBreakpoint, [this] {
        CTavrinView* view = BreakpointView();
        const CProcessBox* box = view ? view->SelectedBox() : nullptr;
        if (!box)
            return;
        view->ToggleBreakpoint(*box);
        if (m_watch)
            m_watch->Controller().SetBreakpoint(*box, view->HasBreakpoint(*box));
        UpdateCommandUI();
    });
    on(kClearBreakpoints, [this] {
        if (CTavrinView* view = BreakpointView())
            view->ClearBreakpoints();
        if (m_watch)
            m_watch->Controller().ClearBreakpoints();
        UpdateCommandUI();
    });
    on(kSpeedFull, [this] { SetSpeed(CStepController::kFullSpeed); });
    on(kSpeedFast, [this] { SetSpeed(CStepController::kFast); });
    on(kSpeedSlow, [this] { SetSpeed(CStepController::kSlow); });
    on(kSpeedVerySlow, [this] { SetSpeed(CStepController::kVerySlow); });
    on(kGenerateCode, [this] { OnGenerateCode(); });
    on(kGenerateExactCode, [this] { StartJob(ConsoleKind::Code, true); });

    on(kViewToolBar, [this](bool shown) { m_toolBar->setVisible(shown); });
    on(kViewStatusBar, [this](bool shown) { statusBar()->setVisible(shown); });
    on(kViewZoomIn, [this] {
        if (CTavrinView* view = ActiveView())
            view->ZoomIn();
    });
    on(kViewZoomOut, [this] {
        if (CTavrinView* view = ActiveView())
            view->ZoomOut();
    });
    on(kViewZoomReset, [this] {
        if (CTavrinView* view = ActiveView())
            view->SetZoom(100);
    });
    connect(m_toolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
    on(kViewLanguageJapanese, [this] { ChooseLanguage(UiLanguage::Japanese); });
    on(kViewLanguageEnglish, [this] { ChooseLanguage(UiLanguage::English); });
    Action(CTranslations::Current() == UiLanguage::English ? kViewLanguageEnglish : kViewLanguageJapanese)
        ->setChecked(true);
    on(kWindowCascade, [this] { m_mdiArea->cascadeSubWindows(); });
    on(kWindowTileHorz, [this] { m_mdiArea->tileSubWindows(); });
    on(kWindowArrange, [this] { ArrangeIcons(); });
    on(kNextPane, [this] { m_mdiArea->activateNextSubWindow(); });
    on(kPrevPane, [this] { m_mdiArea->activatePreviousSubWindow(); });
    on(kAppAbout, [this] {
        CAboutDialog about(this);
        about.exec();
    });
}

void CMainFrame::ChooseLanguage(UiLanguage language)
{
    // Every window took its texts when it was made: the choice is kept for
    // the next start rather than leaving the program half in one language.
    SaveLanguage(language);
    if (language != CTranslations::Current())
        prompts::Message(this, QMessageBox::Information, Text(texts::kLanguageAfterRestart));
}

QString CMainFrame::StatusMessage() const
{
    const QString message = statusBar()->currentMessage();
    return message.isEmpty() ? m_idleLabel->text() : message;
}

std::vector<CChildFrame*> CMainFrame::Children() const
{
    std::vector<CChildFrame*> children;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child && !child->IsClosed())
            children.push_back(child);
    }
    return children;
}

CChildFrame* CMainFrame::ActiveChild() const
{
    // The current window stays current while another top-level window (a
    // dialog, the console) has the focus.
    auto* child = qobject_cast<CChildFrame*>(m_mdiArea->currentSubWindow());
    return child && !child->IsClosed() ? child : nullptr;
}

CTavrinView* CMainFrame::ActiveView() const
{
    CChildFrame* child = ActiveChild();
    return child ? &child->View() : nullptr;
}

CChildFrame* CMainFrame::AddChild(std::unique_ptr<CTavrinDoc> doc, const QString& title, const QString& path)
{
    auto* child = new CChildFrame(*this, std::move(doc), title, path);
    m_mdiArea->addSubWindow(child);
    connect(child, &CChildFrame::Closed, this, &CMainFrame::UpdateCommandUI);
    connect(child, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateCommandUI);
    connect(&child->View(), &CTavrinView::Changed, this, &CMainFrame::UpdateCommandUI);
    connect(&child->View(), &CTavrinView::PasteRefused, this, [this] {
        prompts::Message(this, QMessageBox::Warning, Text(texts::kUnexpectedFileFormat));
    });
    connect(&child->View(), &CTavrinView::ZoomChanged, this, [this, child] {
        RememberZoom(*child);
        UpdateCommandUI();
    });
    if (!path.isEmpty())
        child->View().SetZoom(RecentZoom(path));
    // Before the main window is shown the area has no size of its own yet.
    const QSize area = m_mdiArea->isVisible() ? m_mdiArea->viewport()->size() : size() - QSize(20, 120);
    child->resize(std::max(480, area.width() * 3 / 4), std::max(360, area.height() * 3 / 4));
    // New windows cascade from the top-left corner, each one step below and
    // right of the one before, starting over where the next would leave the
    // area, as MDI programs place them.
    constexpr int kCascadeStep = 24;
    const int others = static_cast<int>(m_mdiArea->subWindowList().size()) - 1;
    const int room = std::max(1, std::min(area.width() - child->width(), area.height() - child->height()) / kCascadeStep + 1);
    const int step = (others % room) * kCascadeStep;
    child->move(step, step);
    child->show();
    m_mdiArea->setActiveSubWindow(child);
    child->View().setFocus(Qt::OtherFocusReason);
    UpdateCommandUI();
    return child;
}

CChildFrame* CMainFrame::OnFileNew()
{
    const QString title = Text(texts::kDocumentName) + QString::number(++m_untitledCount);
    return AddChild(std::make_unique<CTavrinDoc>(), title, QString());
}

CChildFrame* CMainFrame::OpenDocumentFile(const QString& path)
{
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    for (CChildFrame* child : Children()) {
        if (!child->Path().isEmpty() && QFileInfo(child->Path()) == info) {
            m_mdiArea->setActiveSubWindow(child);
            return child;
        }
    }
    auto doc = std::make_unique<CTavrinDoc>();
    try {
        doc->Load(LocalPath(absolute));
    } catch (const CFileFormatError&) {
        prompts::Message(this, QMessageBox::Warning, Text(texts::kUnexpectedFileFormat));
        return nullptr;
    } catch (const CFileError& e) {
        prompts::Message(this, QMessageBox::Warning,
                         Text(texts::kOpenFailed).arg(path, prompts::FileErrorReason(absolute, false, e.Reason())));
        return nullptr;
    } catch (const std::exception& e) {
        prompts::Message(this, QMessageBox::Warning,
                         Text(texts::kOpenFailed).arg(path, QString::fromStdString(e.what())));
        return nullptr;
    }
    CChildFrame* child = AddChild(std::move(doc), info.fileName(), absolute);
    AddToRecentFiles(absolute, child->View().Zoom());
    return child;
}

bool CMainFrame::SaveDocument(CChildFrame& child, bool askForPath)
{
    QString path = child.Path();
    if (askForPath || path.isEmpty()) {
        path = prompts::AskSavePath(this, path.isEmpty() ? child.Title() + QStringLiteral(".pad") : path);
        if (path.isEmpty())
            return false;
    }
    return SaveDocumentAs(child, path);
}

bool CMainFrame::SaveDocumentAs(CChildFrame& child, const QString& path)
{
    if (m_busy || !ConfirmEncodable(child))
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    try {
        child.Document().Save(LocalPath(absolute));
    } catch (const CFileError& e) {
        prompts::Message(this, QMessageBox::Critical,
                         Text(texts::kSaveFailed).arg(path, prompts::FileErrorReason(absolute, true, e.Reason())));
        child.UpdateTitle();
        return false;
    } catch (const std::exception& e) {
        prompts::Message(this, QMessageBox::Critical,
                         Text(texts::kSaveFailed).arg(path, QString::fromStdString(e.what())));
        child.UpdateTitle();
        return false;
    }
    child.Document().SetModifiedFlag(false);
    child.SetPath(absolute);
    AddToRecentFiles(absolute, child.View().Zoom());
    UpdateCommandUI();
    return true;
}

bool CMainFrame::CanCloseChild(CChildFrame& child, bool questionAnswered)
{
    if (m_busy) {
        // Only the chart a job reads can be reached during it.
        if (&child == m_jobChild)
            AskToStopJob(&child);
        return false;
    }
    if (questionAnswered || !child.Document().IsModified())
        return true;
    m_mdiArea->setActiveSubWindow(&child);
    switch (prompts::Message(this, QMessageBox::Question, Text(texts::kAskToSave).arg(child.Title()),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return SaveDocument(child, false);
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (m_busy) {
        AskToStopJob(this);
        e->ignore();
        return;
    }
    const std::vector<CChildFrame*> children = Children();
    for (CChildFrame* child : children) {
        if (!CanCloseChild(*child, false)) {
            e->ignore();
            return;
        }
    }
    for (CChildFrame* child : children)
        child->CloseWithoutQuestion();
    SaveRecentFiles();
    e->accept();
}

void CMainFrame::AddToRecentFiles(const QString& path, int zoom)
{
    const qsizetype at = m_recentFiles.indexOf(path);
    if (at >= 0) {
        m_recentFiles.removeAt(at);
        m_recentZooms.removeAt(at);
    }
    m_recentFiles.prepend(path);
    m_recentZooms.prepend(zoom);
    while (m_recentFiles.size() > cmd::kRecentFileCount) {
        m_recentFiles.removeLast();
        m_recentZooms.removeLast();
    }
    SaveRecentFiles();
    UpdateRecentFileMenu();
}

int CMainFrame::RecentZoom(const QString& path) const
{
    const qsizetype at = m_recentFiles.indexOf(path);
    return at >= 0 ? m_recentZooms[at] : 100;
}

void CMainFrame::RememberZoom(CChildFrame& child)
{
    // Each window's zoom is kept with its file in the recent-file list.
    const qsizetype at = child.Path().isEmpty() ? -1 : m_recentFiles.indexOf(child.Path());
    if (at < 0 || m_recentZooms[at] == child.View().Zoom())
        return;
    m_recentZooms[at] = child.View().Zoom();
    SaveRecentFiles();
}

QString CMainFrame::ZoomText() const
{
    CChildFrame* child = ActiveChild();
    return child ? QStringLiteral("%1%").arg(child->View().Zoom()) : QString();
}

void CMainFrame::LoadRecentFiles()
{
    QSettings settings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication));
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    m_recentFiles.clear();
    m_recentZooms.clear();
    for (int i = 1; i <= cmd::kRecentFileCount; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !m_recentFiles.contains(path)) {
            m_recentFiles.append(path);
            // A zoom that is missing or not a number is 100 %.
            bool ok = false;
            const int zoom = settings.value(QStringLiteral("Zoom%1").arg(i)).toInt(&ok);
            m_recentZooms.append(ok ? std::clamp(zoom, CTavrinView::ZoomSteps().front(), CTavrinView::ZoomSteps().back()) : 100);
        }
    }
    UpdateRecentFileMenu();
}

void CMainFrame::SaveRecentFiles() const
{
    QSettings settings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication));
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= cmd::kRecentFileCount; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        const QString zoomKey = QStringLiteral("Zoom%1").arg(i);
        if (i <= m_recentFiles.size()) {
            settings.setValue(key, m_recentFiles[i - 1]);
            settings.setValue(zoomKey, m_recentZooms[i - 1]);
        } else {
            settings.remove(key);
            settings.remove(zoomKey);
        }
    }
}

void CMainFrame::UpdateRecentFileMenu()
{
    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
        QAction* action = Action(cmd::kFileMru1 + i);
        if (i < m_recentFiles.size()) {
            QString shown = QDir::toNativeSeparators(m_recentFiles[i]);
            shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
    m_recentPlaceholder->setVisible(m_recentFiles.isEmpty());
}

bool CMainFrame::ConfirmEncodable(CChildFrame& child)
{
    std::string bad;
    CBoxText* editor = child.View().FindUnencodable(&bad);
    if (!editor)
        return true;
    m_mdiArea->setActiveSubWindow(&child);
    const QString text = Text(texts::kUnencodableChar).arg(editor->DisplayText(), QString::fromStdString(bad));
    if (prompts::Message(this, QMessageBox::Warning, text, QMessageBox::Yes | QMessageBox::Cancel)
        != QMessageBox::Yes)
        return false;
    // The substitution is made where the user sees it, so that the editors
    // show what a save stores and the question does not come back until a
    // text has a character the code page cannot hold again.
    for (CBoxText* each : child.View().Editors())
        each->SubstituteUnencodable();
    return true;
}

void CMainFrame::OnRun()
{
    // A run with nothing to watch for is the plain run.
    CChildFrame* child = ActiveChild();
    const bool watched = m_delay != CStepController::kFullSpeed || (child && !child->View().Breakpoints().empty());
    StartJob(ConsoleKind::Run, false, watched ? JobWatch::Running : JobWatch::None);
}

void CMainFrame::OnGenerateCode()
{
    StartJob(ConsoleKind::Code);
}

void CMainFrame::StartJob(ConsoleKind kind, bool exact, JobWatch watch)
{
    CChildFrame* child = ActiveChild();
    if (!child || m_busy || !ConfirmEncodable(*child))
        return;
    // The worker reads the boxes, never a widget: every editor's text is
    // taken into its box now, and the chart stays disabled until the end.
    CRootSequence& root = child->Document().m_root;
    root.CommitText();
    // Disabling the chart area takes the focus away and lets the area pick
    // another window when it is enabled again: remember where the user was.
    QWidget* focus = QApplication::focusWidget();
    m_jobFocus = focus && child->isAncestorOf(focus) ? focus : &child->View();
    m_jobChild = child;
    CTavrinView& view = child->View();
    if (kind == ConsoleKind::Run)
        view.SetCurrentBox(nullptr);
    CStepController* controller = nullptr;
    if (kind == ConsoleKind::Run && watch != JobWatch::None) {
        m_watch = std::make_unique<CRunWatch>(
            watch == JobWatch::Paused ? CStepController::Start::Paused : CStepController::Start::Running, m_delay,
            view.Breakpoints());
        controller = &m_watch->Controller();
        connect(m_watch.get(), &CRunWatch::Paused, this, [this] { ShowRunState(true); });
        connect(m_watch.get(), &CRunWatch::Progressed, this, [this] { ShowRunState(false); });
        connect(m_watch.get(), &CRunWatch::Ended, this, [this] { ShowRunState(true); });
        m_watchChild = child;
        view.SetEditable(false);
        m_variables->Clear();
        m_variables->show();
        m_variables->raise();
    }
    SetBusy(true);
    QPointer<CMainFrame> self(this);
    QPointer<CChildFrame> guard(child);
    auto failure = std::make_shared<RunFailure>();
    m_jobChannel = StartConsoleJob(
        this, kind,
        [&root, kind, exact, controller, failure](CConsole& console) {
            if (kind == ConsoleKind::Run)
                RunChart(root, console, controller, failure.get());
            else if (exact)
                GenerateExactCode(root, console);
            else
                GenerateCode(root, console);
        },
        [self, guard, failure] {
            if (self)
                self->JobEnded(guard, *failure);
        });
    // Stop also wakes an input box that waits for a line. Set here, on the
    // thread that calls Stop, before any Stop can come.
    if (controller && m_jobChannel)
        controller->SetStopAction([channel = m_jobChannel] { channel->StopReading(); });
}

void CMainFrame::JobEnded(CChildFrame* child, const RunFailure& failure)
{
    // The worker has ended: nothing reads the chart any more.
    m_watch.reset();
    if (m_watchChild) {
        m_watchChild->View().SetCurrentBox(nullptr);
        m_watchChild->View().SetEditable(true);
    }
    m_watchChild = nullptr;
    m_jobChannel.reset();
    SetBusy(false);
    if (child) {
        child->View().viewport()->update();
        RestoreChild(child, m_jobFocus);
        // The box whose text failed, for the user to mend.
        if (failure.box) {
            child->View().ShowFailedBox(*failure.box);
            statusBar()->showMessage(Text(texts::kErrorStatusPrefix) + ui::QtText(codec::Cp932ToUtf8(failure.text)));
        }
    }
    // Only the activation that follows the console's closing is
    // corrected; later ones are the user's own.
    QPointer<CMainFrame> self(this);
    QTimer::singleShot(kLateActivationMs, this, [self] {
        self->m_jobChild = nullptr;
        self->m_jobFocus = nullptr;
    });
    if (QPointer<QWidget> target = m_closeAfterJob) {
        m_closeAfterJob = nullptr;
        QTimer::singleShot(0, this, [target] {
            if (target)
                target->close();
        });
    }
    UpdateCommandUI();
}

void CMainFrame::AskToStopJob(QWidget* closing)
{
    if (prompts::Message(this, QMessageBox::Question, Text(texts::kAskStopRun), QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    QPointer<QWidget> target(closing);
    if (!m_busy) {
        // The job ended while the question was up.
        QTimer::singleShot(0, this, [target] {
            if (target)
                target->close();
        });
        return;
    }
    m_closeAfterJob = target;
    if (m_watch)
        m_watch->Controller().Stop();
    // The console goes as if its window was closed: a run stops, a wait at
    // the exit prompt ends, and the job's end closes `closing`.
    if (m_jobChannel)
        m_jobChannel->Close();
}

void CMainFrame::ShowRunState(bool commands)
{
    if (!m_watch)
        return;
    const CStepController& controller = m_watch->Controller();
    if (m_watchChild)
        m_watchChild->View().SetCurrentBox(m_watch->HasEnded() ? nullptr : controller.CurrentBox());
    m_variables->ShowRows(*controller.Watch());
    if (commands)
        UpdateCommandUI();
}

CTavrinView* CMainFrame::BreakpointView() const
{
    if (m_watchChild)
        return &m_watchChild->View();
    return m_busy ? nullptr : ActiveView();
}

void CMainFrame::SetSpeed(int delayMs)
{
    m_delay = delayMs;
    if (m_watch)
        m_watch->Controller().SetDelay(delayMs);
    UpdateCommandUI();
}

void CMainFrame::RestoreChild(CChildFrame* child, QWidget* focus)
{
    if (!child || child->IsClosed())
        return;
    activateWindow();
    m_mdiArea->setActiveSubWindow(child);
    if (!focus || !child->isAncestorOf(focus) || !focus->isVisible())
        focus = &child->View();
    focus->setFocus(Qt::ActiveWindowFocusReason);
}

QWidget* CMainFrame::BusyConsole() const
{
    if (!m_busy)
        return nullptr;
    for (CConsoleWindow* console : findChildren<CConsoleWindow*>(Qt::FindDirectChildrenOnly)) {
        if (console->isVisible())
            return console;
    }
    return nullptr;
}

void CMainFrame::RaiseBusyConsole()
{
    // A question being asked (such as the one on closing during a run) is
    // answered first.
    if (QApplication::activeModalWidget())
        return;
    if (QWidget* console = BusyConsole()) {
        console->raise();
        console->activateWindow();
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e)
{
    // During a run the main window takes no input: a click on it, or on a
    // window of its own, means the user is looking for the console. A
    // watched run is driven from the main window.
    if (m_busy && !m_watch && (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::NonClientAreaMouseButtonPress)
        && watched->isWidgetType()) {
        QWidget* window = static_cast<QWidget*>(watched)->window();
        QWidget* console = BusyConsole();
        if (console && window != console && !console->isAncestorOf(window)
            && (window == this || isAncestorOf(window)))
            RaiseBusyConsole();
    }
    return QMainWindow::eventFilter(watched, e);
}

void CMainFrame::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (m_busy && !m_watch) {
            // Activated by a click or a window manager while the console is
            // up: the console stays in front.
            QMetaObject::invokeMethod(this, &CMainFrame::RaiseBusyConsole, Qt::QueuedConnection);
        } else if (m_jobChild) {
            // The activation that follows the console's closing may come
            // late and make the chart area pick another window: the chart
            // the job ran on stays the active one.
            QPointer<CChildFrame> child = m_jobChild;
            QPointer<QWidget> focus = m_jobFocus;
            m_jobChild = nullptr;
            m_jobFocus = nullptr;
            QMetaObject::invokeMethod(this, [this, child, focus] { RestoreChild(child, focus); }, Qt::QueuedConnection);
        }
    }
}

void CMainFrame::SetBusy(bool busy)
{
    m_busy = busy;
    // The chart keeps painting but takes no input while a job reads it. A
    // watched run's chart scrolls and takes clicks (it is read-only); the
    // other charts wait.
    const bool watching = busy && m_watch;
    m_mdiArea->setEnabled(!busy || watching);
    for (CChildFrame* child : Children())
        child->setEnabled(!watching || child == m_watchChild);
    UpdateCommandUI();
}

void CMainFrame::ArrangeIcons()
{
    int x = 0;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        window->move(x, m_mdiArea->viewport()->height() - size.height());
        x += size.width();
    }
}

void CMainFrame::UpdateCommandUI()
{
    using namespace cmd;
    const bool idle = !m_busy;
    CChildFrame* child = idle ? ActiveChild() : nullptr;
    CTavrinView* view = child ? &child->View() : nullptr;
    const bool anyChart = !Children().empty();
    auto set = [this](int id, bool enabled) { Action(id)->setEnabled(enabled); };

    for (int id : { kFileNew, kFileOpen, kFilePrintSetup, kAppExit, kAppAbout, kNextPane, kPrevPane })
        set(id, idle);
    for (int i = 0; i < kRecentFileCount; ++i)
        set(kFileMru1 + i, idle);
    for (int id : { kFileClose, kFileSave, kFileSaveAs, kFilePrint, kFilePrintPreview, kRun, kGenerateCode, kGenerateExactCode })
        set(id, child != nullptr);
    // Zoom is for looking, also while a run reads the chart.
    CChildFrame* shownChild = ActiveChild();
    const int zoom = shownChild ? shownChild->View().Zoom() : 100;
    set(kViewZoomIn, shownChild && zoom < CTavrinView::ZoomSteps().back());
    set(kViewZoomOut, shownChild && zoom > CTavrinView::ZoomSteps().front());
    set(kViewZoomReset, shownChild != nullptr);
    m_zoomLabel->setText(ZoomText());
    // Undo and Redo say in the status bar which step they take back or do
    // again.
    const CUndoStack* history = child ? &child->Document().History() : nullptr;
    set(kEditUndo, view && view->CanUndo());
    set(kEditRedo, view && view->CanRedo());
    Action(kEditUndo)->setStatusTip(view && view->CanUndo()
            ? Text(texts::kPromptUndoPrefix) + Text(history->UndoText()) : QString());
    Action(kEditRedo)->setStatusTip(view && view->CanRedo()
            ? Text(texts::kPromptRedoPrefix) + Text(history->RedoText()) : QString());
    set(kEditCut, view && view->IsEditable() && view->CanCutOrCopy());
    set(kEditCopy, view && view->CanCutOrCopy());
    set(kEditPaste, view && view->CanPaste());
    Action(kEditPaste)->setChecked(view && view->IsPasteTool());
    for (int id : { kAddSimple, kAddBranch, kAddPreTestLoop, kAddPostTestLoop, kAddOutput, kAddInput }) {
        set(id, child != nullptr);
        Action(id)->setChecked(child && child->Document().m_tool == static_cast<ToolId>(id));
    }
    for (int id : { kWindowCascade, kWindowTileHorz, kWindowArrange })
        set(id, idle && anyChart);
    // A watched run takes the step commands while it is paused; without one
    // they start one.
    const bool runLive = m_watch && !m_watch->HasEnded();
    const bool paused = runLive && m_watch->Controller().IsPaused();
    for (int id : { kStep, kStepOver, kContinue })
        set(id, child != nullptr || paused);
    set(kPause, runLive && !paused);
    set(kStop, runLive);
    CTavrinView* marks = BreakpointView();
    set(kToggleBreakpoint, marks && (m_watch == nullptr || runLive) && marks->SelectedBox());
    set(kClearBreakpoints, marks && !marks->Breakpoints().empty());
    const std::pair<int, int> speeds[] = { { kSpeedFull, CStepController::kFullSpeed }, { kSpeedFast, CStepController::kFast },
        { kSpeedSlow, CStepController::kSlow }, { kSpeedVerySlow, CStepController::kVerySlow } };
    for (const auto& [id, delay] : speeds) {
        set(id, child != nullptr || runLive);
        Action(id)->setChecked(m_delay == delay);
    }
    Action(kViewToolBar)->setChecked(!m_toolBar->isHidden());
    Action(kViewStatusBar)->setChecked(!statusBar()->isHidden());

    ShowMenu(anyChart);
    UpdateWindowList();
    // The application's name first; a maximised chart's name in brackets.
    const QString appTitle = Text(texts::kAppTitle);
    CChildFrame* shown = ActiveChild();
    QString title = appTitle;
    // The child's own title is used as it stands (with its modified
    // placeholder): the MDI area adds it to the frame's title once more
    // unless the frame's title already holds it.
    if (shown)
        title += shown->isMaximized() ? QStringLiteral(" - [%1]").arg(shown->windowTitle())
                                      : QStringLiteral(" - %1").arg(shown->Title());
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMainFrame::UpdateWindowList()
{
    // Deleted later: this may run while one of them is being triggered.
    for (QAction* action : m_windowListActions) {
        m_windowMenu->removeAction(action);
        action->deleteLater();
    }
    m_windowListActions.clear();
    const std::vector<CChildFrame*> children = Children();
    CChildFrame* active = ActiveChild();
    int number = 0;
    for (CChildFrame* child : children) {
        ++number;
        QString name = child->Title();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(name)
                                               : QStringLiteral("%1 %2").arg(number).arg(name),
                                   m_windowMenu);
        action->setCheckable(true);
        action->setChecked(child == active);
        action->setEnabled(!m_busy);
        QPointer<CChildFrame> target(child);
        connect(action, &QAction::triggered, this, [this, target] {
            if (target && !target->IsClosed()) {
                m_mdiArea->setActiveSubWindow(target);
                UpdateCommandUI();
            }
        });
        m_windowMenu->addAction(action);
        m_windowListActions.push_back(action);
    }
    if (QAction* separator = m_windowMenu->findChild<QAction*>(QStringLiteral("windowListSeparator")))
        separator->setVisible(!children.empty());
}

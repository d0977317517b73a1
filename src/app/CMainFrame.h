#pragma once
// The main window: the MDI area with one child window per open chart, the
// menus (128 while no chart is open, 129 while one is), the toolbar, the
// status bar, the accelerators and the recent-file list. It routes the
// commands to the active chart's document and view, and handles the file,
// window and help commands itself.

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class CChildFrame;
class CConsoleChannel;
class CRunWatch;
class CVariableDock;
class CTavrinView;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
enum class ConsoleKind;
struct RunFailure;
enum class UiLanguage;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame();
    ~CMainFrame() override;

    // The action of a command id (see CommandIds.h), or null.
    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return m_toolBar; }
    QMdiArea* MdiArea() const { return m_mdiArea; }
    // The idle text or the prompt shown in the message pane.
    QString StatusMessage() const;
    // True while menu 129 (a chart is open) is shown.
    bool ShowsChartMenu() const { return m_chartMenuShown; }

    // Open charts in the order they were opened, and the active one.
    std::vector<CChildFrame*> Children() const;
    CChildFrame* ActiveChild() const;
    CTavrinView* ActiveView() const;

    // File commands. Null when nothing was opened (the user was told why).
    CChildFrame* OnFileNew();
    CChildFrame* OpenDocumentFile(const QString& path);
    // Save (under the chart's file, or asks for one), or Save As.
    bool SaveDocument(CChildFrame& child, bool askForPath);
    // Saves under `path` without asking; false after reporting a failure.
    bool SaveDocumentAs(CChildFrame& child, const QString& path);
    // The question to save a modified chart; false when the window must stay.
    bool CanCloseChild(CChildFrame& child, bool questionAnswered);

    QStringList RecentFiles() const { return m_recentFiles; }
    // The zoom (percent) remembered for a recent file, or 100.
    int RecentZoom(const QString& path) const;
    // The zoom pane of the status bar.
    QString ZoomText() const;

    // Run and Generate code on the active chart, on a worker thread; the
    // commands stay disabled until the console is released.
    void OnRun();
    void OnGenerateCode();
    bool IsBusy() const { return m_busy; }
    // The watched run under way (stepping, breakpoints, a slow speed), or
    // null; it lasts until its console is released.
    CRunWatch* Watch() const { return m_watch.get(); }
    CVariableDock* VariableDock() const { return m_variables; }

    // Enables, disables and checks every command, switches the menu and
    // sets the window title.
    void UpdateCommandUI();

    // The console of the run or code generation under way, or null.
    QWidget* BusyConsole() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QAction* AddAction(int id, std::string_view text, std::string_view prompt = {},
                       const QIcon& icon = QIcon());
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void ConnectCommands();
    void ShowMenu(bool chartMenu);
    // Remembers the language of the menus and dialogs for the next start.
    void ChooseLanguage(UiLanguage language);
    CChildFrame* AddChild(std::unique_ptr<class CTavrinDoc> doc, const QString& title, const QString& path);
    void AddToRecentFiles(const QString& path, int zoom);
    void RememberZoom(CChildFrame& child);
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    void UpdateRecentFileMenu();
    bool ConfirmEncodable(CChildFrame& child);
    enum class JobWatch { None, Running, Paused };
    void StartJob(ConsoleKind kind, bool exact = false, JobWatch watch = JobWatch::None);
    void JobEnded(CChildFrame* child, const RunFailure& failure);
    void SetBusy(bool busy);
    // A run's pause, progress or end: the highlight, the watch, the commands.
    void ShowRunState(bool commands);
    // The view whose breakpoints the commands act on.
    CTavrinView* BreakpointView() const;
    void SetSpeed(int delayMs);
    // Closing `closing` during a job: asks, then stops the job and closes
    // it once the job has ended.
    void AskToStopJob(QWidget* closing);
    void ArrangeIcons();
    void UpdateWindowList();
    void RaiseBusyConsole();
    // Makes `child` the active chart again with the keyboard focus where it
    // was when a run or code generation started.
    void RestoreChild(CChildFrame* child, QWidget* focus);

    QMdiArea* m_mdiArea { nullptr };
    QToolBar* m_toolBar { nullptr };
    QLabel* m_idleLabel { nullptr };
    QLabel* m_zoomLabel { nullptr };
    std::map<int, QAction*> m_actions;
    std::vector<QMenu*> m_menus128;
    std::vector<QMenu*> m_menus129;
    QAction* m_recentPlaceholder { nullptr };
    bool m_chartMenuShown { false };
    int m_untitledCount { 0 };
    bool m_busy { false };
    QStringList m_recentFiles;
    QList<int> m_recentZooms; // one per recent file
    QMenu* m_windowMenu { nullptr };
    std::vector<QAction*> m_windowListActions;
    // While a console job runs: the chart it works on and the widget that had
    // the focus, to be given back when the console goes.
    QPointer<CChildFrame> m_jobChild;
    QPointer<QWidget> m_jobFocus;
    std::shared_ptr<CConsoleChannel> m_jobChannel;
    QPointer<QWidget> m_closeAfterJob;
    // A watched run and the chart it reads (read-only until the job ends).
    std::unique_ptr<CRunWatch> m_watch;
    QPointer<CChildFrame> m_watchChild;
    CVariableDock* m_variables { nullptr };
    int m_delay { 0 }; // between boxes, for the next run and the one under way
};

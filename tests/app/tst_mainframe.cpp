// The main window as a user meets it: menus, toolbar, prompts, file
// commands, the questions to save, the command line, Run and Generate code.

#include "AppTestSupport.h"

#include "app/CAboutDialog.h"
#include "model/CPreTestLoopBox.h"
#include "view/CConsoleWindow.h"
#include "app/CTavrinApp.h"
#include "app/CommandIds.h"
#include "app/UiTexts.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

using prompts::Text;

namespace {

QStringList MenuTitles(QMainWindow& window)
{
    QStringList titles;
    for (QAction* menu : window.menuBar()->actions())
        titles.append(menu->text());
    return titles;
}

// Item texts of a menu, "-" for a separator; hidden items are left out.
QStringList MenuItems(QMainWindow& window, int index)
{
    QStringList items;
    QMenu* menu = window.menuBar()->actions().at(index)->menu();
    for (QAction* item : menu->actions()) {
        if (item->isVisible())
            items.append(item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    return items;
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;

    QString TempPath(const QString& name) const { return m_dir.filePath(name); }
    void Trigger(int id) { m_frame->Action(id)->trigger(); }

    // A chart with a few boxes and texts, built through the user interface.
    CChildFrame* MakeChart()
    {
        CChildFrame* child = m_frame->OnFileNew();
        CTavrinView& view = child->View();
        CBoxSequence& root = child->Document().m_root;
        Paint(view);
        for (int tool : { cmd::kAddSimple, cmd::kAddPreTestLoop, cmd::kAddOutput }) {
            Trigger(tool);
            ClickChart(view, GapPoint(root, static_cast<int>(root.m_boxes.size())));
        }
        Trigger(cmd::kAddSimple);
        CBoxSequence& body = static_cast<CPreTestLoopBox&>(*root.m_boxes[1]).m_bodySeq;
        ClickChart(view, GapPoint(body, 0));
        const char* texts[] = { "s = 0", "i = 1, 3", "s" };
        for (int i = 0; i < 3; ++i)
            QTest::keyClicks(EditorOf(*root.m_boxes[static_cast<std::size_t>(i)]), QString::fromUtf8(texts[i]));
        QTest::keyClicks(EditorOf(*body.m_boxes[0]), QStringLiteral("s = s + i"));
        return child;
    }

private slots:
    void initTestCase()
    {
        InitAppTestResources();
        QVERIFY(m_dir.isValid());
        QSettings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication)).clear();
    }

    void init()
    {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup()
    {
        // A test that failed during a run leaves its console open: end the
        // run before the chart it reads goes away.
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* console = qobject_cast<CConsoleWindow*>(window))
                console->close();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 20000);
        for (CChildFrame* child : m_frame->Children())
            child->Document().SetModifiedFlag(false);
        m_frame.reset();
    }

    void menusSwitchWithOpenCharts()
    {
        const QStringList noChart { Text(texts::kMenuFile), Text(texts::kMenuView), Text(texts::kMenuHelp) };
        const QStringList chart { Text(texts::kMenuFile), Text(texts::kMenuEdit), Text(texts::kMenuView),
                                  Text(texts::kMenuRun), Text(texts::kMenuWindow), Text(texts::kMenuHelp) };
        QCOMPARE(MenuTitles(*m_frame), noChart);
        QCOMPARE(MenuItems(*m_frame, 0),
                 (QStringList { Text(texts::kItemFileNew), Text(texts::kItemFileOpen), "-",
                                Text(texts::kItemFilePrintSetup), "-", Text(texts::kItemRecentFiles), "-",
                                Text(texts::kItemAppExit) }));
        CChildFrame* first = m_frame->OnFileNew();
        CChildFrame* second = m_frame->OnFileNew();
        QCOMPARE(MenuTitles(*m_frame), chart);
        QCOMPARE(MenuItems(*m_frame, 0),
                 (QStringList { Text(texts::kItemFileNew), Text(texts::kItemFileOpen), Text(texts::kItemFileClose),
                                Text(texts::kItemFileSave), Text(texts::kItemFileSaveAs), "-",
                                Text(texts::kItemFilePrint), Text(texts::kItemFilePrintPreview),
                                Text(texts::kItemFilePrintSetup), "-", Text(texts::kItemRecentFiles), "-",
                                Text(texts::kItemAppExit) }));
        QCOMPARE(MenuItems(*m_frame, 1),
                 (QStringList { Text(texts::kItemEditUndo), Text(texts::kItemEditRedo), "-", Text(texts::kItemEditCut),
                                Text(texts::kItemEditCopy), Text(texts::kItemEditPaste) }));
        // The open charts are listed below the commands, the active one
        // checked; choosing one activates it.
        QCOMPARE(MenuItems(*m_frame, 3),
                 (QStringList { Text(texts::kItemRun), Text(texts::kItemStep), Text(texts::kItemStepOver),
                                Text(texts::kItemContinue), Text(texts::kItemPause), Text(texts::kItemStop), "-",
                                Text(texts::kItemToggleBreakpoint), Text(texts::kItemClearBreakpoints), "-",
                                Text(texts::kMenuSpeed), "-", Text(texts::kItemGenerateCode),
                                Text(texts::kItemGenerateExactCode) }));
        QCOMPARE(MenuItems(*m_frame, 4),
                 (QStringList { Text(texts::kItemWindowCascade), Text(texts::kItemWindowTile),
                                Text(texts::kItemWindowArrange), "-", "&1 Pad1", "&2 Pad2" }));
        QMenu* windowMenu = m_frame->menuBar()->actions().at(4)->menu();
        const auto listed = [windowMenu](int index) { return windowMenu->actions().at(4 + index); };
        QVERIFY(listed(1)->isChecked());
        QVERIFY(!listed(0)->isChecked());
        listed(0)->trigger();
        QCOMPARE(m_frame->ActiveChild(), first);
        QVERIFY(listed(0)->isChecked());
        QVERIFY(!listed(1)->isChecked());
        first->close();
        QCOMPARE(MenuTitles(*m_frame), chart);
        QCOMPARE(MenuItems(*m_frame, 4),
                 (QStringList { Text(texts::kItemWindowCascade), Text(texts::kItemWindowTile),
                                Text(texts::kItemWindowArrange), "-", "&1 Pad2" }));
        QVERIFY(listed(0)->isChecked());
        second->close();
        QCOMPARE(MenuTitles(*m_frame), noChart);
        QVERIFY(!m_frame->Action(cmd::kFileSave)->isEnabled());
        QVERIFY(!m_frame->Action(cmd::kAddSimple)->isEnabled());
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Tavrin"));
    }

    void toolbarOrderTooltipsAndPrompts()
    {
        using namespace cmd;
        const QList<int> expected { kFileNew, kFileOpen, kFileSave, 0, kEditCut, kEditCopy, 0, kFilePrint, 0,
                                    kAddSimple, kAddBranch, kAddPreTestLoop, kAddPostTestLoop, kAddOutput,
                                    kAddInput, kEditPaste, 0, kRun, kStep, kContinue, kStop, kGenerateCode, 0,
                                    kAppAbout };
        QList<int> ids;
        for (QAction* action : m_frame->ToolBar()->actions())
            ids.append(action->isSeparator() ? 0 : action->data().toInt());
        QCOMPARE(ids, expected);

        const struct {
            int id;
            std::string_view text;
        } rows[] = {
            { kFileNew, texts::kPromptFileNew },      { kFileOpen, texts::kPromptFileOpen },
            { kFileSave, texts::kPromptFileSave },    { kEditCut, texts::kPromptEditCut },
            { kEditCopy, texts::kPromptEditCopy },    { kFilePrint, texts::kPromptFilePrint },
            { kAddSimple, texts::kPromptAddSimple },  { kAddBranch, texts::kPromptAddBranch },
            { kAddPreTestLoop, texts::kPromptAddPreTestLoop }, { kAddPostTestLoop, texts::kPromptAddPostTestLoop },
            { kAddOutput, texts::kPromptAddOutput },  { kAddInput, texts::kPromptAddInput },
            { kEditPaste, texts::kPromptEditPaste },  { kRun, texts::kPromptRun },
            { kStep, texts::kPromptStep }, { kStepOver, texts::kPromptStepOver },
            { kContinue, texts::kPromptContinue }, { kPause, texts::kPromptPause }, { kStop, texts::kPromptStop },
            { kToggleBreakpoint, texts::kPromptToggleBreakpoint },
            { kClearBreakpoints, texts::kPromptClearBreakpoints }, { kSpeedSlow, texts::kPromptSpeedSlow },
            { kGenerateCode, texts::kPromptGenerateCode }, { kAppAbout, texts::kPromptAppAbout },
        };
        m_frame->OnFileNew();
        QCOMPARE(m_frame->StatusMessage(), Text(texts::kIdleMessage));
        for (const auto& row : rows) {
            const QStringList parts = Text(row.text).split(QLatin1Char('\n'));
            QAction* action = m_frame->Action(row.id);
            QCOMPARE(action->toolTip(), parts[1]);
            action->showStatusText(m_frame->ToolBar()); // as when the pointer rests on its button
            QCOMPARE(m_frame->StatusMessage(), parts[0]);
        }
        QStatusTipEvent leave { QString() };
        QApplication::sendEvent(m_frame.get(), &leave);
        QCOMPARE(m_frame->StatusMessage(), Text(texts::kIdleMessage));
        const QList<QLabel*> indicators = m_frame->statusBar()->findChildren<QLabel*>(QStringLiteral("indicator"));
        QStringList shown;
        for (QLabel* label : indicators)
            shown.append(label->text());
        QCOMPARE(shown, (QStringList { Text(texts::kIndicatorKana), "CAP", "NUM", "SCRL" }));
    }

    void accelerators()
    {
        using namespace cmd;
        const QList<QPair<int, QList<QKeySequence>>> rows {
            { kFileNew, { QKeySequence(Qt::CTRL | Qt::Key_N) } },
            { kFileOpen, { QKeySequence(Qt::CTRL | Qt::Key_O) } },
            { kFileSave, { QKeySequence(Qt::CTRL | Qt::Key_S) } },
            { kFilePrint, { QKeySequence(Qt::CTRL | Qt::Key_P) } },
            { kEditUndo, { QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace) } },
            { kEditRedo, { QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) } },
            { kEditCut, { QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete) } },
            { kEditCopy, { QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert) } },
            { kEditPaste, { QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert) } },
            { kNextPane, { QKeySequence(Qt::Key_F6) } },
            { kRun, { QKeySequence(Qt::Key_F5) } },
            { kStep, { QKeySequence(Qt::Key_F10) } },
            { kStepOver, { QKeySequence(Qt::SHIFT | Qt::Key_F10) } },
            { kContinue, { QKeySequence(Qt::Key_F8) } },
            { kStop, { QKeySequence(Qt::SHIFT | Qt::Key_F5) } },
            { kToggleBreakpoint, { QKeySequence(Qt::Key_F9) } },
            { kPrevPane, { QKeySequence(Qt::SHIFT | Qt::Key_F6) } },
        };
        for (const auto& [id, keys] : rows) {
            QTest::qWait(0);
            QCOMPARE(m_frame->Action(id)->shortcuts(), keys);
        }
        // F6 and Shift+F6 go round the open charts.
        CChildFrame* a = m_frame->OnFileNew();
        CChildFrame* b = m_frame->OnFileNew();
        QCOMPARE(m_frame->ActiveChild(), b);
        Trigger(kNextPane);
        QCOMPARE(m_frame->ActiveChild(), a);
        Trigger(kPrevPane);
        QCOMPARE(m_frame->ActiveChild(), b);
    }

    void newChartsAreNumberedAndTitled()
    {
        CChildFrame* first = m_frame->OnFileNew();
        QCOMPARE(first->Title(), QStringLiteral("Pad1"));
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Tavrin - Pad1"));
        CChildFrame* second = m_frame->OnFileNew();
        QCOMPARE(second->Title(), QStringLiteral("Pad2"));
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Tavrin - Pad2"));
        QCOMPARE(second->Document().m_tool, kToolSimple);
        QVERIFY(!second->isWindowModified());
        Trigger(cmd::kAddSimple);
        ClickChart(second->View(), GapPoint(second->Document().m_root, 0));
        QVERIFY(second->isWindowModified());
        QCOMPARE(second->windowTitle(), QStringLiteral("Pad2[*]"));
        // Maximised, the chart's name stands once, in brackets.
        second->showMaximized();
        QTRY_COMPARE(m_frame->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Tavrin - [Pad2]"));
        QTest::qWait(50);
        QCOMPARE(m_frame->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Tavrin - [Pad2]"));
        second->showNormal();
        QTRY_COMPARE(m_frame->windowTitle(), QStringLiteral("Tavrin - Pad2"));
    }

    void saveCloseReopenGivesIdenticalBytes()
    {
        ScriptedPrompts answers;
        CChildFrame* child = MakeChart();
        const QString path = TempPath(QStringLiteral("roundtrip"));
        answers.paths.push_back(path); // typed without the extension
        Trigger(cmd::kFileSave);
        QCOMPARE(answers.savesAsked, QStringList { QStringLiteral("Pad1.pad") });
        const QString saved = path + QStringLiteral(".pad");
        QVERIFY(QFile::exists(saved));
        QVERIFY(!child->Document().IsModified());
        QCOMPARE(child->Title(), QStringLiteral("roundtrip.pad"));
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Tavrin - roundtrip.pad"));
        QCOMPARE(m_frame->RecentFiles().value(0), saved);
        const QByteArray bytes = ReadAll(saved);
        QVERIFY(bytes.contains("i = 1, 3"));

        child->close();
        QVERIFY(m_frame->Children().empty());
        QVERIFY(answers.messages.isEmpty());
        CChildFrame* reopened = m_frame->OpenDocumentFile(saved);
        QVERIFY(reopened);
        Paint(reopened->View());
        QCOMPARE(EditorOf(*reopened->Document().m_root.m_boxes[1])->toPlainText(), QStringLiteral("i = 1, 3"));
        const QString again = TempPath(QStringLiteral("again.pad"));
        QVERIFY(m_frame->SaveDocumentAs(*reopened, again));
        QCOMPARE(ReadAll(again), bytes);
        // Opening a file that is already open shows its window.
        QCOMPARE(m_frame->OpenDocumentFile(again), reopened);
        QCOMPARE(m_frame->Children().size(), std::size_t(1));
    }

    void saveFailureIsReportedAndKeepsTheChartModified()
    {
        ScriptedPrompts answers;
        CChildFrame* child = MakeChart();
        const QString path = TempPath(QStringLiteral("no/such/dir/chart.pad"));
        QVERIFY(!m_frame->SaveDocumentAs(*child, path));
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(answers.messages[0].contains(path));
        QVERIFY(child->Document().IsModified());
        QCOMPARE(child->Title(), QStringLiteral("Pad1"));
        QVERIFY(!QFile::exists(path));
    }

    void unencodableCharacterIsNamedBeforeSaving()
    {
        ScriptedPrompts answers;
        CChildFrame* child = MakeChart();
        CProcessBox& box = *child->Document().m_root.m_boxes[0];
        TypeText(EditorOf(box), QStringLiteral("\U0001F600"));
        const QString path = TempPath(QStringLiteral("emoji.pad"));
        answers.answers.push_back(QMessageBox::Cancel);
        QVERIFY(!m_frame->SaveDocumentAs(*child, path));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(answers.messages[0].contains(QStringLiteral("s = 0")));
        QVERIFY(answers.messages[0].contains(QStringLiteral("\U0001F600")));
        answers.answers.push_back(QMessageBox::Yes);
        QVERIFY(m_frame->SaveDocumentAs(*child, path));
        QVERIFY(ReadAll(path).contains("s = 0?"));
    }

    void unreadableFileOpensNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("message");
        QTest::newRow("garbage") << QByteArray("\x05\x00\x00\x00\x09\x00", 6) << true
                                 << Text(texts::kUnexpectedFileFormat);
        QTest::newRow("missing") << QByteArray() << false << QString();
        QTest::newRow("directory") << QByteArray() << true << QString();
    }

    void unreadableFileOpensNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        QFETCH(QString, message);
        ScriptedPrompts answers;
        CChildFrame* other = MakeChart();
        const std::size_t boxes = other->Document().m_root.m_boxes.size();
        const QString path = TempPath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".pad"));
        if (exists && bytes.isEmpty())
            QVERIFY(QDir().mkpath(path));
        else if (exists)
            WriteAll(path, bytes);
        QVERIFY(!m_frame->OpenDocumentFile(path));
        QCOMPARE(answers.messages.size(), 1);
        if (!message.isEmpty())
            QCOMPARE(answers.messages[0], message);
        else
            QVERIFY(answers.messages[0].contains(path));
        QCOMPARE(m_frame->Children().size(), std::size_t(1));
        QCOMPARE(m_frame->ActiveChild(), other);
        QCOMPARE(other->Document().m_root.m_boxes.size(), boxes);
        QVERIFY(other->Document().IsModified());
    }

    void closingAModifiedChartAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("written");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true << true;
        QTest::newRow("no") << int(QMessageBox::No) << true << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
    }

    void closingAModifiedChartAsks()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, written);
        ScriptedPrompts answers;
        CChildFrame* child = MakeChart();
        const QString path = TempPath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral("-close.pad"));
        answers.answers.push_back(QMessageBox::StandardButton(answer));
        answers.paths.push_back(path);
        Trigger(cmd::kFileClose);
        QCOMPARE(answers.messages, QStringList { Text(texts::kAskToSave).arg(QStringLiteral("Pad1")) });
        QCOMPARE(m_frame->Children().empty(), closed);
        QCOMPARE(QFile::exists(path), written);
        QCOMPARE(m_frame->ShowsChartMenu(), !closed);
        if (!closed)
            QCOMPARE(m_frame->ActiveChild(), child);
        // An unmodified chart closes without a question.
        CChildFrame* clean = m_frame->OnFileNew();
        clean->close();
        QCOMPARE(answers.messages.size(), 1);
    }

    void exitAsksForEveryModifiedChart()
    {
        ScriptedPrompts answers;
        MakeChart();
        MakeChart();
        answers.answers = { QMessageBox::No, QMessageBox::Cancel };
        QVERIFY(!m_frame->close());
        QCOMPARE(answers.messages.size(), 2);
        QCOMPARE(m_frame->Children().size(), std::size_t(2));
        answers.answers = { QMessageBox::No, QMessageBox::No };
        QVERIFY(m_frame->close());
        QCOMPARE(answers.messages.size(), 4);
    }

    void aboutBox()
    {
        QString title;
        QString version;
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDialog*>(QApplication::activeModalWidget());
            QVERIFY(about);
            title = about->windowTitle();
            version = about->findChild<QLabel*>(QStringLiteral("version"))->text();
            about->accept();
        });
        Trigger(cmd::kAppAbout);
        QCOMPARE(title, Text(texts::kAboutTitle));
        QCOMPARE(version, Text(texts::kAboutVersion));
    }

    void commandLine()
    {
        ScriptedPrompts answers;
        m_frame.reset();
        {
            CTavrinApp app;
            QCOMPARE(app.InitInstance({}), -1);
            QCOMPARE(app.MainFrame()->Children().size(), std::size_t(1));
            QCOMPARE(app.MainFrame()->ActiveChild()->Title(), QStringLiteral("Pad1"));
        }
        const QString bad = TempPath(QStringLiteral("bad.pad"));
        WriteAll(bad, QByteArray("\x01\x00\x00\x00", 4));
        {
            CTavrinApp app;
            QCOMPARE(app.InitInstance({ bad }), -1);
            QVERIFY(app.MainFrame()->isVisible());
            QVERIFY(app.MainFrame()->Children().empty());
            QVERIFY(!app.MainFrame()->ShowsChartMenu());
            QCOMPARE(answers.messages, QStringList { Text(texts::kUnexpectedFileFormat) });
        }
        {
            CTavrinApp app;
            QCOMPARE(app.InitInstance({ QStringLiteral("--no-such-option") }), 2);
        }
        m_frame = std::make_unique<CMainFrame>();
    }

    // Run commits the typed texts into the boxes, keeps the commands
    // disabled until the console is released, and modifies nothing.
    void runDisablesCommandsUntilTheConsoleIsReleased()
    {
        CChildFrame* child = MakeChart();
        child->Document().SetModifiedFlag(false);
        Trigger(cmd::kRun);
        QVERIFY(m_frame->IsBusy());
        QCOMPARE(child->Document().m_root.m_boxes[0]->m_text, std::string("s = 0"));
        for (int id : { cmd::kFileSave, cmd::kRun, cmd::kGenerateCode, cmd::kAddSimple, cmd::kFileNew })
            QVERIFY(!m_frame->Action(id)->isEnabled());
        QVERIFY(!m_frame->MdiArea()->isEnabled());
        CConsoleWindow* console = nullptr;
        QTRY_VERIFY((console = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* c = qobject_cast<CConsoleWindow*>(w); c && c->isVisible())
                    return c;
            return static_cast<CConsoleWindow*>(nullptr);
        }()) != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(console->Text().contains(QStringLiteral("press ENTER key to exit")), 20000);
        QCOMPARE(console->Text(), QStringLiteral("6\npress ENTER key to exit"));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 20000);
        QVERIFY(m_frame->Action(cmd::kRun)->isEnabled());
        QVERIFY(m_frame->MdiArea()->isEnabled());
        QVERIFY(!child->Document().IsModified());
    }

    void recentFilesArePersisted()
    {
        CChildFrame* child = m_frame->OnFileNew();
        for (int i = 0; i < 5; ++i)
            QVERIFY(m_frame->SaveDocumentAs(*child, TempPath(QStringLiteral("recent%1.pad").arg(i))));
        QCOMPARE(m_frame->RecentFiles().size(), cmd::kRecentFileCount);
        QCOMPARE(m_frame->RecentFiles().first(), TempPath(QStringLiteral("recent4.pad")));
        QVERIFY(!m_frame->Action(cmd::kFileMru1 + 3)->text().isEmpty());
        QSettings settings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication));
        QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(),
                 TempPath(QStringLiteral("recent4.pad")));
        CMainFrame later;
        QCOMPARE(later.RecentFiles(), m_frame->RecentFiles());
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"

// What a new user meets in the first minutes: which chart a command acts on
// after a run, where the keyboard focus is after opening a chart, what the
// editors show after a substitution, Qt's own texts in Japanese, the reasons
// given for files that cannot be opened, and a console that keeps a bounded
// scrollback under a flood of output.

#include "AppTestSupport.h"
#include "ConsoleTestSupport.h"

#include "view/CConsoleWindow.h"
#include "app/CTavrinApp.h"
#include "app/CommandIds.h"
#include "model/Outline.h"
#include "app/UiTexts.h"

#include <QLibraryInfo>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

using prompts::Text;

class TestEverydayUse : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;

    void Trigger(int id) { m_frame->Action(id)->trigger(); }

    // A saved chart of `boxes` simple boxes, "a = 1", "a = 2", ...
    QString SavedChart(const QString& name, int boxes)
    {
        std::string outline;
        for (int i = 1; i <= boxes; ++i)
            outline += "simple: a = " + std::to_string(i) + "\n";
        CTavrinDoc doc;
        BuildOutline(outline, doc.m_root);
        const QString path = m_dir.filePath(name);
        doc.Save(QFile::encodeName(path).toStdString());
        return path;
    }

    // Runs the active chart and answers the exit prompt with Enter.
    void RunAndPressEnter(int command)
    {
        Trigger(command);
        QVERIFY(m_frame->IsBusy());
        QPointer<CConsoleWindow> console;
        QTRY_VERIFY((console = OpenConsole()) != nullptr);
        QVERIFY(WaitForTail(console, kPrompt));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 20000);
        QTRY_VERIFY(!console);
        QCoreApplication::processEvents();
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
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }

    void cleanup()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* console = qobject_cast<CConsoleWindow*>(window))
                console->close();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 20000);
        for (CChildFrame* child : m_frame->Children())
            child->Document().SetModifiedFlag(false);
        m_frame.reset();
        CConsoleWindow::SetScrollbackLinesForTesting(0);
    }

    // After Run or Generate code the chart that was active stays active,
    // with the keyboard focus where it was, and the next command acts on it.
    void theActiveChartStaysActiveAfterAConsole()
    {
        ScriptedPrompts answers;
        CChildFrame* a = m_frame->OpenDocumentFile(SavedChart(QStringLiteral("a.pad"), 2));
        QVERIFY(a);
        Paint(a->View());
        CChildFrame* b = m_frame->OnFileNew();
        Paint(b->View());
        Trigger(cmd::kAddSimple);
        ClickChart(b->View(), GapPoint(b->Document().m_root, 0));
        CBoxEdit* typed = EditorOf(*b->Document().m_root.m_boxes[0]);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(typed));
        for (int command : { cmd::kRun, cmd::kGenerateCode, cmd::kRun }) {
            RunAndPressEnter(command);
            QTRY_COMPARE(m_frame->ActiveChild(), b);
            QCOMPARE(m_frame->windowTitle(), QStringLiteral("Tavrin - Pad1"));
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(typed));
        }
        // Save acts on the chart the user is looking at.
        const QString path = m_dir.filePath(QStringLiteral("b.pad"));
        answers.paths.push_back(path);
        Trigger(cmd::kFileSave);
        QCOMPARE(b->Path(), path);
        QVERIFY(a->Document().IsModified() == false);
    }

    // After opening a chart no editor has the keyboard focus (the view has
    // it), so stray keys change nothing; an inserted box's editor takes it.
    void openingAChartLeavesTheFocusInTheView()
    {
        CChildFrame* child = m_frame->OpenDocumentFile(SavedChart(QStringLiteral("long.pad"), 60));
        QVERIFY(child);
        CTavrinView& view = child->View();
        Paint(view);
        QCoreApplication::processEvents();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&view));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("xy"));
        for (CBoxText* editor : view.Editors())
            QVERIFY(!editor->DisplayText().contains(QLatin1Char('x')));
        QVERIFY(!child->Document().IsModified());

        Trigger(cmd::kAddSimple);
        ClickChart(view, GapPoint(child->Document().m_root, 1));
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(EditorOf(*child->Document().m_root.m_boxes[1])));
        // Repainting later gives the focus to no other editor.
        view.setFocus();
        Paint(view);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&view));
    }

    // After "save anyway with '?'" the editors show what was stored, the
    // chart is unmodified, and a run asks nothing until a text changes.
    void acceptedSubstitutionShowsWhatWasStored()
    {
        ScriptedPrompts answers;
        CChildFrame* child = m_frame->OnFileNew();
        CTavrinView& view = child->View();
        Paint(view);
        Trigger(cmd::kAddSimple);
        ClickChart(view, GapPoint(child->Document().m_root, 0));
        Trigger(cmd::kAddOutput);
        ClickChart(view, GapPoint(child->Document().m_root, 1));
        CProcessBox& firstBox = *child->Document().m_root.m_boxes[0];
        CProcessBox& secondBox = *child->Document().m_root.m_boxes[1];
        CBoxText* first = TextOf(firstBox);
        CBoxText* second = TextOf(secondBox);
        TypeText(EditorOf(firstBox), QStringLiteral("a = 1 \U0001F600"));
        TypeText(EditorOf(secondBox), QStringLiteral("\u00E9a"));
        const QString path = m_dir.filePath(QStringLiteral("subst.pad"));
        answers.answers.push_back(QMessageBox::Yes);
        QVERIFY(m_frame->SaveDocumentAs(*child, path));
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(ReadAll(path).contains("a = 1 ?"));
        QCOMPARE(first->DisplayText(), QStringLiteral("a = 1 ?"));
        QCOMPARE(second->DisplayText(), QStringLiteral("?a"));
        // The box being edited shows it in the text widget too.
        QCOMPARE(view.LiveEditor()->toPlainText(), QStringLiteral("?a"));
        QVERIFY(!child->Document().IsModified());
        QVERIFY(!child->isWindowModified());

        RunAndPressEnter(cmd::kRun);
        RunAndPressEnter(cmd::kRun);
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(!child->Document().IsModified());
        // A new character the code page cannot hold asks again.
        TypeText(EditorOf(firstBox), QStringLiteral("\U0001F600"));
        answers.answers.push_back(QMessageBox::Cancel);
        Trigger(cmd::kRun);
        QVERIFY(!m_frame->IsBusy());
        QCOMPARE(answers.messages.size(), 2);
        QCOMPARE(first->DisplayText(), QStringLiteral("a = 1 ?\U0001F600"));
    }

    // Buttons, dialogs, preview and context menus speak Japanese.
    void qtsOwnTextsAreJapanese()
    {
        QVERIFY2(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")),
                 "qtbase_ja.qm (package qt6-translations-l10n) is not installed");
        CTavrinApp app;
        QMessageBox box(QMessageBox::Question, QStringLiteral("Tavrin"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        for (QMessageBox::StandardButton button : { QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel }) {
            const QString text = box.button(button)->text().remove(QLatin1Char('&'));
            QVERIFY2(!text.contains(QLatin1String("Yes")) && !text.contains(QLatin1String("No"))
                         && !text.contains(QLatin1String("Cancel")),
                     qPrintable(text));
        }
        CChildFrame* child = m_frame->OnFileNew();
        Paint(child->View());
        Trigger(cmd::kAddSimple);
        ClickChart(child->View(), GapPoint(child->Document().m_root, 0));
        std::unique_ptr<QMenu> menu(EditorOf(*child->Document().m_root.m_boxes[0])->createStandardContextMenu());
        QStringList items;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                items.append(action->text().remove(QLatin1Char('&')));
        QVERIFY(!items.isEmpty());
        QVERIFY2(!items.contains(QLatin1String("Copy")) && !items.contains(QLatin1String("Paste")),
                 qPrintable(items.join(QLatin1Char('|'))));
        for (const auto& [context, english] :
             { std::pair { "QPrintPreviewDialog", "Print Preview" }, std::pair { "QFileDialog", "&Open" },
               std::pair { "QFileDialog", "&Save" }, std::pair { "QPrintPreviewDialog", "Print" } })
            QVERIFY2(QCoreApplication::translate(context, english) != QLatin1String(english), english);
    }

    // A directory or a missing file named on the command line is reported in
    // the program's own Japanese, with no English from the C library.
    void unreadableFilesAreReportedInJapanese()
    {
        ScriptedPrompts answers;
        m_frame.reset();
        const QString folder = m_dir.filePath(QStringLiteral("folder.pad"));
        QVERIFY(QDir().mkpath(folder));
        const QString missing = m_dir.filePath(QStringLiteral("missing.pad"));
        {
            CTavrinApp app;
            QCOMPARE(app.InitInstance({ folder, missing }), -1);
        }
        QCOMPARE(answers.messages.size(), 2);
        QCOMPARE(answers.messages[0], Text(texts::kOpenFailed).arg(folder, Text(texts::kReasonIsFolder)));
        const QString noSuchFile = answers.messages[1].section(QLatin1Char('\n'), 1);
        QVERIFY(answers.messages[1].startsWith(Text(texts::kOpenFailed).arg(missing, QString()).trimmed()));
        QVERIFY(!noSuchFile.isEmpty());
        for (const QString& message : answers.messages) {
            for (const QChar c : message.section(QLatin1Char('\n'), 1))
                QVERIFY2(!c.isLetter() || c.unicode() > 0x7F, qPrintable(message));
        }
        m_frame = std::make_unique<CMainFrame>();
    }

    // The console keeps the newest lines only, and typing and the exit
    // prompt still work after the oldest lines went.
    void consoleScrollbackIsBounded()
    {
        QCOMPARE(CConsoleWindow::kDefaultScrollbackLines, 100000);
        CConsoleWindow::SetScrollbackLinesForTesting(500);
        std::atomic<bool> done { false };
        std::string answer;
        StartConsoleJob(
            nullptr, ConsoleKind::Run,
            [&answer](CConsole& console) {
                for (int i = 1; i <= 3000; ++i) {
                    console.Write("line ");
                    console.WriteNumber(i);
                    console.NewLine();
                }
                const std::string line = console.ReadLine();
                answer = line;
                console.Write("got ");
                console.WriteRaw(line);
                console.Finish();
            },
            [&done] { done = true; });
        QPointer<CConsoleWindow> console;
        QTRY_VERIFY((console = OpenConsole()) != nullptr);
        QVERIFY(WaitForTail(console, QStringLiteral("line 3000\n")));
        QTest::qWait(50);
        QVERIFY(console->document()->blockCount() <= 500);
        QVERIFY(console->Text().startsWith(QStringLiteral("line 25")));
        Type(console, QStringLiteral("42\n"));
        QVERIFY(WaitForTail(console, QStringLiteral("got 42\n") + kPrompt));
        QCOMPARE(answer, std::string("42\n"));
        QVERIFY(console->document()->blockCount() <= 500);
        QVERIFY(console->Text().contains(QStringLiteral("line 3000\n42\ngot 42\n")));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
    }
};

QTEST_MAIN(TestEverydayUse)
#include "tst_everyday_use.moc"

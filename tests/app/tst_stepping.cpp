// Watching a chart run from the main window: stepping with the current box
// highlighted and the variables listed, breakpoints, Stop, the box that
// failed, and closing a chart whose run is under way.

#include "AppTestSupport.h"
#include "ConsoleTestSupport.h"

#include "app/CRunWatch.h"
#include "app/CVariableDock.h"
#include "app/CommandIds.h"
#include "app/UiTexts.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/Outline.h"

#include <QElapsedTimer>
#include <QMdiArea>
#include <QPainter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>

using prompts::Text;

class TestStepping : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;
    int m_pauses { 0 };

    void Trigger(int id) { m_frame->Action(id)->trigger(); }
    bool Enabled(int id) const { return m_frame->Action(id)->isEnabled(); }

    CChildFrame* OpenOutline(const QByteArray& outline)
    {
        CTavrinDoc doc;
        BuildOutline(std::string_view(outline.constData(), static_cast<std::size_t>(outline.size())), doc.m_root);
        const QString path = m_dir.filePath(QStringLiteral("chart%1.pad").arg(m_frame->Children().size()));
        doc.Save(path.toStdString());
        CChildFrame* child = m_frame->OpenDocumentFile(path);
        Paint(child->View());
        return child;
    }

    // Starts a run with `id` and counts its pauses from then on.
    void Start(int id)
    {
        m_pauses = 0;
        Trigger(id);
        QVERIFY(m_frame->Watch());
        connect(m_frame->Watch(), &CRunWatch::Paused, this, [this] { ++m_pauses; });
    }

    // Gives a paused run the command `id` and waits for the next pause.
    bool Resume(int id)
    {
        const int before = m_pauses;
        Trigger(id);
        return WaitForPause(before + 1);
    }
    bool WaitForPause(int count)
    {
        QElapsedTimer clock;
        clock.start();
        while (m_pauses < count && clock.elapsed() < 20000)
            QTest::qWait(1);
        return m_pauses >= count;
    }

    // The watch as "name=value", with "*" for a value the last step changed;
    // an array's elements follow its row, indented.
    QStringList WatchRows() const
    {
        QStringList rows;
        QTreeWidget* tree = m_frame->VariableDock()->Tree();
        const auto row = [](const QTreeWidgetItem& item) {
            return item.text(0) + QLatin1Char('=') + item.text(1)
                + (CVariableDock::IsMarked(item) ? QStringLiteral("*") : QString());
        };
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem& item = *tree->topLevelItem(i);
            rows.append(row(item));
            for (int c = 0; c < item.childCount(); ++c)
                rows.append(QStringLiteral("  ") + row(*item.child(c)));
        }
        return rows;
    }

    // The colour the view shows at a logical point.
    QColor ColourAt(CTavrinView& view, QPoint logical)
    {
        const QImage image = view.viewport()->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        const QPoint at = view.ToViewport(logical);
        return image.pixelColor(static_cast<int>(at.x() * ratio), static_cast<int>(at.y() * ratio));
    }

    void EndRun()
    {
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(console);
        QVERIFY(WaitForTail(console, kPrompt));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 20000);
    }

private slots:
    void initTestCase()
    {
        InitAppTestResources();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup()
    {
        while (CConsoleWindow* console = OpenConsole())
            console->close();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 20000);
        for (CChildFrame* child : m_frame->Children())
            child->Document().SetModifiedFlag(false);
        m_frame.reset();
    }

    // Into a loop and both arms of a branch, over a branch, and on to the
    // end, with an input typed into the console on the way.
    void stepThroughLoopBranchAndInput()
    {
        CChildFrame* child = OpenOutline("input: n\n"
                                         "simple: s = 0, a[2] = 7\n"
                                         "pre-loop: i = 1, n\n"
                                         "  branch: i % 2 == 0\n"
                                         "    then\n"
                                         "      simple: s = s + i\n"
                                         "    else\n"
                                         "      output: i\n"
                                         "output: s\n");
        CTavrinView& view = child->View();
        CBoxSequence& root = child->Document().m_root;
        CProcessBox* input = root.m_boxes[0].get();
        CProcessBox* init = root.m_boxes[1].get();
        auto* loop = static_cast<CPreTestLoopBox*>(root.m_boxes[2].get());
        auto* branch = static_cast<CBranchBox*>(loop->m_bodySeq.m_boxes[0].get());
        CProcessBox* add = branch->m_thenSeq.m_boxes[0].get();
        CProcessBox* odd = branch->m_elseSeq.m_boxes[0].get();
        using Boxes = std::vector<const CProcessBox*>;

        Start(cmd::kStep);
        QVERIFY(WaitForPause(1));
        QVERIFY(view.CurrentBox() == input);
        // Read-only while it runs; only the step commands and looking work.
        QVERIFY(!view.IsEditable());
        // A text can be looked at, not changed.
        QVERIFY(!EditorOf(*init) || EditorOf(*init)->isReadOnly());
        for (int id : { cmd::kAddSimple, cmd::kEditCut, cmd::kEditPaste, cmd::kFileSave, cmd::kFileNew, cmd::kRun,
                        cmd::kGenerateCode, cmd::kPause })
            QVERIFY2(!Enabled(id), qPrintable(m_frame->Action(id)->text()));
        for (int id : { cmd::kStep, cmd::kStepOver, cmd::kContinue, cmd::kStop, cmd::kViewZoomIn })
            QVERIFY2(Enabled(id), qPrintable(m_frame->Action(id)->text()));
        QVERIFY(m_frame->MdiArea()->isEnabled());
        QVERIFY(m_frame->VariableDock()->isVisible());
        QCOMPARE(WatchRows(), QStringList());
        // The highlight is a fill of its own, neither white nor the blue of
        // the selection.
        const QColor fill = ColourAt(view, QPoint(input->m_x + input->m_width - 12, input->m_y + 4));
        QVERIFY2(fill.red() > 200 && fill.green() > 120 && fill.blue() < 180, qPrintable(fill.name()));

        // The input box waits for its line; Pause can be chosen meanwhile.
        Trigger(cmd::kStep);
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(console);
        QTest::qWait(50);
        QCOMPARE(m_pauses, 1);
        QVERIFY(Enabled(cmd::kPause));
        QVERIFY(!Enabled(cmd::kStep));
        const int before = m_pauses;
        Type(console, QStringLiteral("3\n"));
        QVERIFY(WaitForPause(before + 1));
        QVERIFY(view.CurrentBox() == init);
        QCOMPARE(WatchRows(), QStringList { "n=3*" });

        QVERIFY(Resume(cmd::kStep));
        QVERIFY(view.CurrentBox() == loop);
        QCOMPARE(WatchRows(), (QStringList { "n=3", "s=0*", "a[]={7}*", "  a[2]=7*" }));
        QVERIFY(Resume(cmd::kStep));
        QVERIFY(view.CurrentBox() == branch);
        QCOMPARE(view.EnclosingBoxes(), (Boxes { loop }));
        QCOMPARE(WatchRows(), (QStringList { "n=3", "s=0", "a[]={7}", "  a[2]=7", "i=1*" }));
        QVERIFY(Resume(cmd::kStep));
        QVERIFY(view.CurrentBox() == odd);
        QCOMPARE(view.EnclosingBoxes(), (Boxes { loop, branch }));
        // The second pass: the branch is stepped over as a whole.
        QVERIFY(Resume(cmd::kStepOver));
        QVERIFY(view.CurrentBox() == branch);
        QCOMPARE(WatchRows().last(), QStringLiteral("i=2*"));
        QVERIFY(Resume(cmd::kStepOver));
        QVERIFY(view.CurrentBox() == branch);
        QCOMPARE(WatchRows(), (QStringList { "n=3", "s=2*", "a[]={7}", "  a[2]=7", "i=3*" }));
        QVERIFY(add->m_text == "s = s + i");

        Trigger(cmd::kContinue);
        QVERIFY(WaitForTail(console, kPrompt));
        QCOMPARE(console->Text(), QStringLiteral("3\n1\n3\n2\n") + kPrompt);
        QTRY_VERIFY(!view.CurrentBox());
        QVERIFY(!Enabled(cmd::kStep));
        QVERIFY(!Enabled(cmd::kStop));
        QCOMPARE(WatchRows(), (QStringList { "n=3", "s=2", "a[]={7}", "  a[2]=7", "i=4*" }));
        EndRun();
        QVERIFY(view.IsEditable());
        QVERIFY(EditorOf(*init) && !EditorOf(*init)->isReadOnly());
        QVERIFY(Enabled(cmd::kAddSimple));
        QVERIFY(!child->Document().IsModified());
    }

    // A breakpoint stops every pass of a loop; it belongs to its box, stays
    // while other boxes are edited, and goes with a deleted box.
    void breakpointInALoopStopsEveryPass()
    {
        CChildFrame* child = OpenOutline("simple: s = 0\n"
                                         "pre-loop: i = 1, 3\n"
                                         "  simple: s = s + i\n"
                                         "output: s\n"
                                         "output: \"end\"\n");
        CTavrinView& view = child->View();
        CBoxSequence& root = child->Document().m_root;
        CProcessBox* body = static_cast<CPreTestLoopBox&>(*root.m_boxes[1]).m_bodySeq.m_boxes[0].get();
        QVERIFY(!Enabled(cmd::kToggleBreakpoint));
        for (CProcessBox* box : { body, root.m_boxes[3].get() }) {
            ClickChart(view, MarginPoint(*box));
            Trigger(cmd::kToggleBreakpoint);
        }
        QCOMPARE(view.Breakpoints(), (std::vector<const CProcessBox*> { body, root.m_boxes[3].get() }));
        const QColor dot = ColourAt(view, QPoint(body->m_x + 6, body->m_y + 6));
        QVERIFY2(dot.red() > 180 && dot.green() < 60 && dot.blue() < 60, qPrintable(dot.name()));
        // Deleting the last box takes its breakpoint; typing into another box
        // keeps the one in the loop.
        ClickChart(view, MarginPoint(*root.m_boxes[3]));
        QTest::keyClick(&view, Qt::Key_Delete);
        Paint(view);
        QTest::keyClicks(EditorOf(*root.m_boxes[2]), QStringLiteral(", i"));
        QCOMPARE(view.Breakpoints(), (std::vector<const CProcessBox*> { body }));

        // Run, with a breakpoint, is watched from its start.
        Start(cmd::kRun);
        for (int pass = 1; pass <= 3; ++pass) {
            QVERIFY(WaitForPause(pass));
            QVERIFY(view.CurrentBox() == body);
            QCOMPARE(WatchRows().last(), QStringLiteral("i=%1*").arg(pass));
            Trigger(cmd::kContinue);
        }
        QVERIFY(WaitForTail(OpenConsole(), kPrompt));
        QCOMPARE(OpenConsole()->Text(), QStringLiteral("6 4\n") + kPrompt);
        QCOMPARE(m_pauses, 3);
        EndRun();
        Trigger(cmd::kClearBreakpoints);
        QVERIFY(view.Breakpoints().empty());
        QVERIFY(!Enabled(cmd::kClearBreakpoints));
    }

    // Stop ends a paused run, and one whose input box waits for a line, as
    // Ctrl+C does: nothing after it runs and the console waits at its prompt.
    void stopEndsTheRun_data()
    {
        QTest::addColumn<bool>("waitingForInput");
        QTest::newRow("paused") << false;
        QTest::newRow("waiting for input") << true;
    }
    void stopEndsTheRun()
    {
        QFETCH(bool, waitingForInput);
        OpenOutline("input: x\n"
                    "output: \"never\"\n");
        Start(cmd::kStep);
        QVERIFY(WaitForPause(1));
        if (waitingForInput) {
            Trigger(cmd::kStep);
            QTest::qWait(50);
        }
        Trigger(cmd::kStop);
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(WaitForTail(console, kPrompt));
        QCOMPARE(console->Text(), kPrompt);
        QTRY_VERIFY(!Enabled(cmd::kStop));
        EndRun();
        QVERIFY(!m_frame->Watch());
    }

    // A run that ends on an error: once the console is gone the failing box
    // is selected and shown in the error colour, and the status bar names
    // the error.
    void failingBoxIsShownAfterTheRun()
    {
        CChildFrame* child = OpenOutline("simple: a = 1\n"
                                         "pre-loop: i = 1, 2\n"
                                         "  simple: b = (a +\n"
                                         "output: a\n");
        CTavrinView& view = child->View();
        CProcessBox* bad = static_cast<CPreTestLoopBox&>(*child->Document().m_root.m_boxes[1]).m_bodySeq.m_boxes[0].get();
        Trigger(cmd::kRun);
        QVERIFY(!m_frame->Watch()); // a plain run
        QVERIFY(!view.FailedBox());
        EndRun();
        QVERIFY(view.FailedBox() == bad);
        QCOMPARE(view.SelectedBox(), bad);
        QCOMPARE(m_frame->StatusMessage(), Text(texts::kErrorStatusPrefix) + QStringLiteral("b = (a +"));
        const QColor fill = ColourAt(view, QPoint(bad->m_x + bad->m_width - 12, bad->m_y + 4));
        QVERIFY2(fill.red() > 200 && fill.green() < 200 && fill.blue() < 200, qPrintable(fill.name()));
        // A click takes the error colour away.
        ClickChart(view, MarginPoint(*child->Document().m_root.m_boxes[0]));
        QVERIFY(!view.FailedBox());
    }

    // Closing the chart's window or the program during a run asks first,
    // then stops the run and closes once it has ended.
    void closingDuringARunAsksThenStops_data()
    {
        QTest::addColumn<bool>("program");
        QTest::newRow("chart window") << false;
        QTest::newRow("program") << true;
    }
    void closingDuringARunAsksThenStops()
    {
        QFETCH(bool, program);
        ScriptedPrompts prompts;
        CChildFrame* child = OpenOutline("pre-loop: 1\n"
                                         "  simple: i = i + 1\n");
        QPointer<CChildFrame> guard(child);
        Start(cmd::kStep);
        QVERIFY(WaitForPause(1));
        QWidget* closing = program ? static_cast<QWidget*>(m_frame.get()) : static_cast<QWidget*>(child);
        prompts.answers = { QMessageBox::No };
        closing->close();
        QCOMPARE(prompts.messages, QStringList { Text(texts::kAskStopRun) });
        QVERIFY(m_frame->IsBusy());
        QVERIFY(m_frame->Watch()->Controller().IsPaused());
        prompts.answers = { QMessageBox::Yes };
        closing->close();
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 20000);
        QTRY_VERIFY(!guard);
        QVERIFY(!OpenConsole());
        if (program)
            QTRY_VERIFY(!m_frame->isVisible());
    }

    // The main window destroyed with a run paused (or one waiting for its
    // input) ends the run before the chart it reads goes.
    void destroyingTheWindowEndsTheRunFirst()
    {
        OpenOutline("simple: a = 1\n"
                    "input: x\n");
        Start(cmd::kStep);
        QVERIFY(WaitForPause(1));
        m_frame.reset();
        QVERIFY(!OpenConsole());
        m_frame = std::make_unique<CMainFrame>();
        OpenOutline("input: x\n");
        Start(cmd::kContinue);
        QTest::qWait(50);
        m_frame.reset();
        QVERIFY(!OpenConsole());
        m_frame = std::make_unique<CMainFrame>();
    }

    // Not a check: with TAVRIN_SCREENSHOT_DIR set (scripts/screenshot-console.sh)
    // it saves a picture of a watched run: the chart with the box about to
    // run, a breakpoint, the variable watch and the console.
    void screenshot()
    {
        const QString dir = qEnvironmentVariable("TAVRIN_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("TAVRIN_SCREENSHOT_DIR is not set");
        m_frame->resize(1000, 640);
        CChildFrame* child = m_frame->OpenDocumentFile(QStringLiteral(TAVRIN_SOURCE_DIR "/examples/gcd.pad"));
        QVERIFY(child);
        child->showMaximized();
        CTavrinView& view = child->View();
        Paint(view);
        CBoxSequence& root = child->Document().m_root;
        CBoxSequence& body = static_cast<CPreTestLoopBox&>(*root.m_boxes[3]).m_bodySeq;
        ClickChart(view, MarginPoint(*body.m_boxes[0]));
        Trigger(cmd::kToggleBreakpoint);
        child->Document().DeselectAll();
        Start(cmd::kStep);
        QVERIFY(WaitForPause(1));
        QVERIFY(Resume(cmd::kStep));
        Trigger(cmd::kStep);
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(WaitForTail(console, QStringLiteral("\n")));
        Type(console, QStringLiteral("1071\n462\n"));
        QVERIFY(WaitForPause(3));
        for (int id : { cmd::kContinue, cmd::kStep, cmd::kStep, cmd::kContinue, cmd::kStep })
            QVERIFY(Resume(id));
        QTest::qWait(300);
        console->DrainOutput();
        const QImage window = m_frame->grab().toImage();
        const QImage text = console->grab().toImage().scaled(console->size() * 0.7, Qt::KeepAspectRatio,
                                                            Qt::SmoothTransformation);
        QImage picture(window.size(), QImage::Format_RGB32);
        QPainter painter(&picture);
        painter.drawImage(0, 0, window);
        const QPoint at(window.width() - text.width() - 12, window.height() - text.height() - 40);
        painter.fillRect(QRect(at - QPoint(2, 2), text.size() + QSize(4, 4)), Qt::darkGray);
        painter.drawImage(at, text);
        painter.end();
        QVERIFY(picture.save(dir + QStringLiteral("/screenshot-stepping.png")));
        Trigger(cmd::kStop);
        EndRun();
    }

    // Not a check: with TAVRIN_FIGURES set it prints how long a step takes
    // from the command to the highlight painted on its new box, and how long
    // the sum chart takes plain and watched at full speed.
    void figures()
    {
        if (qEnvironmentVariableIsEmpty("TAVRIN_FIGURES"))
            QSKIP("TAVRIN_FIGURES is not set");
        CChildFrame* child = OpenOutline("pre-loop: i = 1, 1000\n"
                                         "  simple: s = s + i\n"
                                         "  simple: t = t + s\n");
        CTavrinView& view = child->View();
        Start(cmd::kStep);
        QVERIFY(WaitForPause(1));
        std::vector<double> ms;
        for (int i = 0; i < 101; ++i) {
            const CProcessBox* was = view.CurrentBox();
            QElapsedTimer clock;
            clock.start();
            Trigger(cmd::kStep);
            while (view.CurrentBox() == was)
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            view.viewport()->repaint();
            ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        qInfo("F10 to highlight painted: median %.2f ms, worst %.2f ms over %zu steps", ms[ms.size() / 2], ms.back(),
              ms.size());
        Trigger(cmd::kStop);
        EndRun();
        child->close();

        QFile sum(QStringLiteral(TAVRIN_SOURCE_DIR "/bench/charts/sum.outline"));
        QVERIFY(sum.open(QIODevice::ReadOnly));
        OpenOutline(sum.readAll());
        for (int round = 0; round < 3; ++round) {
            for (int id : { cmd::kRun, cmd::kContinue }) {
                QElapsedTimer clock;
                clock.start();
                Trigger(id);
                QPointer<CConsoleWindow> console = OpenConsole();
                QVERIFY(WaitForTail(console, kPrompt, 120000));
                qInfo("sum chart, %s: %lld ms", id == cmd::kRun ? "plain run" : "watched at full speed",
                      static_cast<long long>(clock.elapsed()));
                EndRun();
            }
        }
    }
};

QTEST_MAIN(TestStepping)
#include "tst_stepping.moc"

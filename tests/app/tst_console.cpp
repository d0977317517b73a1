// The console window as a user meets it: output shown as written, lines typed
// and delivered, Ctrl+C and closing the window during a run, the exit prompt.

#include "view/CConsoleWindow.h"
#include "view/CConsoleChannel.h"
#include "ConsoleTestSupport.h"
#include "base/Codec.h"
#include "app/UiTexts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QClipboard>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTextBlock>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

QString Utf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Cp932(std::string_view utf8)
{
    return codec::Utf8ToCp932(utf8).value();
}

// The state a job shares with the test; the worker writes, the test reads
// once `done` has been called (or under the lock).
struct JobLog {
    std::mutex mutex;
    std::vector<std::string> lines;
    std::atomic<int> doneCalls { 0 };
    void Add(std::string line)
    {
        std::lock_guard lock(mutex);
        lines.push_back(std::move(line));
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard lock(mutex);
        return lines;
    }
};

void Start(ConsoleKind kind, std::shared_ptr<JobLog> log, std::function<void(CConsole&)> job,
           QWidget* owner = nullptr)
{
    StartConsoleJob(owner, kind, std::move(job), [log] { ++log->doneCalls; });
}

// Waits until the console shows `tail` at its end, draining at once.
} // namespace

class TestConsole : public QObject {
    Q_OBJECT

private slots:
    void init() { g_running = 1; }
    void cleanup()
    {
        // A failed test must not leave a worker waiting on a window.
        while (CConsoleWindow* console = OpenConsole())
            console->close();
        QTest::qWait(20);
    }

    void showsOutputAsWrittenWithTitleAndExitPrompt()
    {
        auto log = std::make_shared<JobLog>();
        const std::string kanji = Cp932("表示");
        Start(ConsoleKind::Run, log, [kanji](CConsole& console) {
            console.Write("a\\tb\\nc");
            console.NewLine();
            console.WriteNumber(2.5);
            console.NewLine();
            // A double-byte character split across two writes.
            console.WriteRaw(kanji.substr(0, 1));
            console.WriteRaw(kanji.substr(1));
            console.NewLine();
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QCOMPARE(console->windowTitle(), Utf8(texts::kConsoleTitlePrefix) + Utf8(texts::kRunTitle));
        QVERIFY(WaitForTail(console, kPrompt));
        QCOMPARE(console->Text(), QStringLiteral("a\tb\nc\n2.5\n") + Utf8("表示") + QLatin1Char('\n') + kPrompt);
        QCOMPARE(log->doneCalls.load(), 0);

        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
        QTRY_VERIFY(console.isNull());
    }

    void codeConsoleIsTitledForCode()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Code, log, [](CConsole& console) { console.Finish(); });
        QTRY_VERIFY(OpenConsole());
        QCOMPARE(OpenConsole()->windowTitle(), Utf8(texts::kConsoleTitlePrefix) + Utf8(texts::kCodeTitle));
        QVERIFY(WaitForTail(OpenConsole(), kPrompt));
        QTest::keyClick(OpenConsole(), Qt::Key_Enter);
        QTRY_COMPARE(log->doneCalls.load(), 1);
    }

    void typedLinesAreEchoedEditedAndDeliveredInCodePage932()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Run, log, [log](CConsole& console) {
            for (int i = 0; i < 3; ++i) {
                console.Write("? ");
                log->Add(console.ReadLine());
            }
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        CConsoleWindow* console = OpenConsole();
        QVERIFY(WaitForTail(console, QStringLiteral("? ")));
        Type(console, QStringLiteral("12x"));
        QTest::keyClick(console, Qt::Key_Backspace);
        Type(console, QStringLiteral("3\n"));
        QVERIFY(WaitForTail(console, QStringLiteral("123\n? ")));
        // Japanese goes over in code page 932; what it cannot hold becomes '?'.
        Type(console, Utf8("日本") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("\n"));
        QVERIFY(WaitForTail(console, QStringLiteral("\n? ")));
        // Backspace never eats into the output in front of the line.
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(console, Qt::Key_Backspace);
        Type(console, QStringLiteral("\n"));
        QVERIFY(WaitForTail(console, kPrompt));

        const QString expected = QStringLiteral("? 123\n? ") + Utf8("日本") + QString::fromUcs4(U"\U0001F600")
            + QStringLiteral("\n? \n") + kPrompt;
        QCOMPARE(console->Text(), expected);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
        const std::vector<std::string> expectedLines { "123\n", Cp932("日本") + "?\n", "\n" };
        QVERIFY(log->Lines() == expectedLines);
    }

    void linesTypedAheadAreKeptForLaterReadsButNotForTheExitPrompt()
    {
        auto log = std::make_shared<JobLog>();
        auto release = std::make_shared<std::atomic<bool>>(false);
        Start(ConsoleKind::Run, log, [log, release](CConsole& console) {
            while (!*release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            log->Add(console.ReadLine());
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        Type(console, QStringLiteral("7\n\n"));
        *release = true;
        QVERIFY(WaitForTail(console, kPrompt));
        // The surplus empty line was typed before the prompt: still open.
        QTest::qWait(50);
        QVERIFY(!console.isNull());
        QCOMPARE(log->doneCalls.load(), 0);
        QCOMPARE(console->Text(), QStringLiteral("7\n\n") + kPrompt);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
        QVERIFY(log->Lines() == std::vector<std::string> { "7\n" });
    }

    void ctrlCStopsARunawayRunAndTheExitPromptStillWaits()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Run, log, [](CConsole& console) {
            while (g_running) {
            }
            console.Write("stopped");
            console.NewLine();
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(g_running.load(), 0);
        QVERIFY(WaitForTail(console, QStringLiteral("stopped\n") + kPrompt));
        QCOMPARE(log->doneCalls.load(), 0);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
    }

    void ctrlBreakOnlyShowsTheHandlerMessage()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Run, log, [](CConsole& console) {
            while (g_running) {
            }
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QTest::keyClick(console, Qt::Key_Pause, Qt::ControlModifier);
        auto* box = console->findChild<QMessageBox*>(QStringLiteral("handlerMessage"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("ハンドラに制御が渡りました"));
        QCOMPARE(box->windowTitle(), QStringLiteral("ハンドラ"));
        QCOMPARE(g_running.load(), 1);
        box->accept();
        QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(WaitForTail(console, kPrompt));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
    }

    void ctrlCCompletesAWaitingReadWithAnEmptyLine()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Run, log, [log](CConsole& console) {
            console.Write("n? ");
            log->Add(console.ReadLine());
            // The run is stopping: a further read must not wait either.
            log->Add(console.ReadLine());
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(WaitForTail(console, QStringLiteral("n? ")));
        Type(console, QStringLiteral("12"));
        QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(WaitForTail(console, kPrompt));
        // The typed part never reached the run, so it does not stay shown.
        QCOMPARE(console->Text(), QStringLiteral("n? ") + kPrompt);
        QVERIFY(log->Lines() == (std::vector<std::string> { "", "" }));
        // Ctrl+C at the exit prompt ends the wait there too.
        QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
        QTRY_COMPARE(log->doneCalls.load(), 1);
        QTRY_VERIFY(console.isNull());
    }

    void closingTheConsoleStopsTheRunAndKeepsTheProgram_data()
    {
        QTest::addColumn<bool>("waitsForInput");
        QTest::newRow("runaway loop") << false;
        QTest::newRow("waiting for input") << true;
    }
    void closingTheConsoleStopsTheRunAndKeepsTheProgram()
    {
        QFETCH(bool, waitsForInput);
        auto log = std::make_shared<JobLog>();
        QWidget owner;
        owner.show();
        Start(
            ConsoleKind::Run, log,
            [log, waitsForInput](CConsole& console) {
                if (waitsForInput)
                    log->Add(console.ReadLine());
                while (g_running) {
                }
                console.Write("after");
                console.Finish();
                log->Add("finished");
            },
            &owner);
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QTest::qWait(30);
        console->close();
        QVERIFY(console.isNull() || !console->isVisible());
        QTRY_COMPARE(log->doneCalls.load(), 1);
        QCOMPARE(g_running.load(), 0);
        QVERIFY(owner.isVisible());
        QCOMPARE(log->Lines().back(), std::string("finished"));
    }

    // A run sets the flag itself when it starts; closing the console before
    // that must still stop it (else it would loop on with no window).
    void closingBeforeTheRunHasStartedStillStopsIt()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Run, log, [](CConsole& console) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            g_running = 1;
            while (g_running) {
            }
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        OpenConsole()->close();
        QTRY_COMPARE(log->doneCalls.load(), 1);
    }

    // The Stop command wakes a read as Ctrl+C does, but a Stop that reaches
    // a run already at its exit prompt (the run thread may get there first)
    // leaves the console and its output on the screen.
    void stopWakesAReadButNotTheExitPrompt()
    {
        auto channel = std::make_shared<CConsoleChannel>();
        std::atomic<int> stage { 0 };
        std::string line = "unchanged";
        std::thread worker([&] {
            channel->GetLine(line);
            stage = 1;
            channel->WaitAtExitPrompt();
            stage = 2;
        });
        QTRY_VERIFY(channel->IsWaitingForInput());
        channel->StopReading();
        QTRY_VERIFY(channel->IsAtExitPrompt());
        QCOMPARE(line, std::string());
        QVERIFY(channel->IsStopRequested());
        channel->StopReading();
        QTest::qWait(100);
        QCOMPARE(stage.load(), 1);
        channel->Interrupt(); // Ctrl+C at the prompt does end it
        worker.join();
        QCOMPARE(stage.load(), 2);
        g_running = 1;
    }

    void closingAtTheExitPromptLeavesTheRunFlag()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Run, log, [](CConsole& console) { console.Finish(); });
        QTRY_VERIFY(OpenConsole());
        QVERIFY(WaitForTail(OpenConsole(), kPrompt));
        OpenConsole()->close();
        QTRY_COMPARE(log->doneCalls.load(), 1);
        QCOMPARE(g_running.load(), 1);
    }

    void ctrlCInTheCodeConsoleCopiesTheSelection()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Code, log, [](CConsole& console) {
            console.Write("int main(){");
            console.NewLine();
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(WaitForTail(console, kPrompt));
        QApplication::clipboard()->clear();
        QTest::keyClick(console, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("int main(){\n") + kPrompt);
        QTest::qWait(30);
        QVERIFY(!console.isNull());
        QCOMPARE(log->doneCalls.load(), 0);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
    }

    // The console keeps the newest lines of its scrollback, in order and
    // without a gap; older ones are dropped, as a terminal does.
    void aFloodKeepsTheNewestLinesInOrder()
    {
        constexpr int kLines = 1000000;
        constexpr int kKept = CConsoleWindow::kDefaultScrollbackLines;
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Run, log, [](CConsole& console) {
            for (int i = 0; i < kLines; ++i) {
                console.WriteNumber(i);
                console.NewLine();
            }
            console.Finish();
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        // The window keeps draining on its own timer while the flood goes on.
        QTRY_VERIFY_WITH_TIMEOUT(console->Text().endsWith(kPrompt), 120000);
        QTextDocument* doc = console->document();
        QCOMPARE(doc->blockCount(), kKept);
        // The last block is the prompt; before it the newest lines.
        const int first = kLines - (kKept - 1);
        for (int block : { 0, 1, 4095, 65536, kKept - 2 })
            QCOMPARE(doc->findBlockByNumber(block).text(), QString::number(first + block));
        QCOMPARE(doc->lastBlock().text(), kPrompt);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
    }

    void aConsoleThatCannotOpenIsReportedAndDoneStillCalled()
    {
        auto log = std::make_shared<JobLog>();
        auto ran = std::make_shared<std::atomic<bool>>(false);
        FailNextConsoleOpenForTesting();
        Start(ConsoleKind::Run, log, [ran](CConsole&) { *ran = true; });
        QTRY_COMPARE(log->doneCalls.load(), 1);
        QVERIFY(!*ran);
        QVERIFY(!OpenConsole());
        QMessageBox* box = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
                box = b;
        QVERIFY(box);
        QVERIFY(box->text().startsWith(Utf8(texts::kConsoleOpenFailed)));
        box->close();
    }

    void aJobThatThrowsStillShowsThePromptAndEnds()
    {
        auto log = std::make_shared<JobLog>();
        Start(ConsoleKind::Code, log, [](CConsole& console) {
            console.Write("x");
            throw std::runtime_error("broken");
        });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(WaitForTail(console, kPrompt));
        QCOMPARE(console->Text(), QStringLiteral("x\nbroken\n") + kPrompt);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(log->doneCalls.load(), 1);
    }

    void anOwnerDestroyedDuringARunStopsItWithoutCallingBack()
    {
        auto log = std::make_shared<JobLog>();
        auto owner = std::make_unique<QWidget>();
        Start(
            ConsoleKind::Run, log,
            [](CConsole& console) {
                while (g_running) {
                }
                console.Finish();
            },
            owner.get());
        QTRY_VERIFY(OpenConsole());
        owner.reset();
        QVERIFY(!OpenConsole());
        QTest::qWait(30);
        QCOMPARE(log->doneCalls.load(), 0);
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"

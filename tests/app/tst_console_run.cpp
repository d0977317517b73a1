// Charts run and translated through the console window as the desktop
// program does it: the job on the worker thread, the text in the window, the
// console stopped by Ctrl+C or by closing it.

#include "view/CConsoleWindow.h"
#include "ConsoleTestSupport.h"
#include "model/CTavrinDoc.h"
#include "codegen/CodeGenerator.h"
#include "codegen/ExactGenerator.h"
#include "model/Outline.h"
#include "exec/RunDriver.h"
#include "app/UiTexts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTest>

#include <atomic>
#include <memory>
#include <optional>

namespace {

QString SourceFile(const QString& relative)
{
    return QStringLiteral(TAVRIN_SOURCE_DIR "/") + relative;
}

std::optional<QByteArray> ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

std::unique_ptr<CTavrinDoc> ChartFromOutline(const QByteArray& outline)
{
    auto doc = std::make_unique<CTavrinDoc>();
    BuildOutline(std::string_view(outline.constData(), static_cast<std::size_t>(outline.size())), doc->m_root);
    return doc;
}

// The desktop program's Run: the chart's root on the worker, the outcome
// handed back through `done`.
struct RunState {
    std::atomic<int> doneCalls { 0 };
    std::atomic<int> outcome { -1 };
};

std::shared_ptr<RunState> StartRun(CTavrinDoc& doc)
{
    auto state = std::make_shared<RunState>();
    CRootSequence* root = &doc.m_root;
    StartConsoleJob(
        nullptr, ConsoleKind::Run,
        [root, state](CConsole& console) { state->outcome = static_cast<int>(RunChart(*root, console)); },
        [state] { ++state->doneCalls; });
    return state;
}

} // namespace

class TestConsoleRun : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        while (CConsoleWindow* console = OpenConsole())
            console->close();
        QTest::qWait(20);
    }

    // Each example with a reviewed console output, its input typed ahead as
    // a user would: the window shows the typed lines, then exactly what
    // tavrin-cli prints, then the exit prompt.
    void examplesShowTheirWholeOutput_data()
    {
        QTest::addColumn<QString>("name");
        const QDir golden(SourceFile(QStringLiteral("tests/data/golden/run")));
        const QStringList outlines
            = QDir(SourceFile(QStringLiteral("examples"))).entryList({ QStringLiteral("*.outline") }, QDir::Files);
        int rows = 0;
        for (const QString& file : outlines) {
            const QString name = file.chopped(8);
            if (golden.exists(name + QStringLiteral(".txt"))) {
                QTest::newRow(name.toUtf8().constData()) << name;
                ++rows;
            }
        }
        if (rows == 0)
            QTest::newRow("none") << QString();
    }
    void examplesShowTheirWholeOutput()
    {
        QFETCH(QString, name);
        if (name.isEmpty())
            QSKIP("no example has a reviewed output yet");
        auto doc = std::make_unique<CTavrinDoc>();
        const QString pad = SourceFile(QStringLiteral("examples/%1.pad").arg(name));
        if (QFile::exists(pad))
            doc->Load(pad.toStdString());
        else
            doc = ChartFromOutline(ReadFile(SourceFile(QStringLiteral("examples/%1.outline").arg(name))).value());
        const QString input = QString::fromUtf8(
            ReadFile(SourceFile(QStringLiteral("examples/%1.input").arg(name))).value_or(QByteArray()));
        const QString expected
            = QString::fromUtf8(ReadFile(SourceFile(QStringLiteral("tests/data/golden/run/%1.txt").arg(name))).value());

        auto state = StartRun(*doc);
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        Type(console, input);
        QVERIFY(WaitForTail(console, kPrompt));
        QCOMPARE(console->Text(), input + expected + kPrompt);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(state->doneCalls.load(), 1);
        QCOMPARE(state->outcome.load(), static_cast<int>(RunOutcome::Completed));
    }

    // Independent of the examples: input read one line at a time, answered
    // after each prompt, Japanese output included.
    void inputIsAnsweredLineByLine()
    {
        auto doc = ChartFromOutline("output: \"二つの数\"\n"
                                    "input: a\n"
                                    "input: b\n"
                                    "output: a + b\n");
        auto state = StartRun(*doc);
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(WaitForTail(console, QStringLiteral("二つの数\n")));
        Type(console, QStringLiteral("2.5\n"));
        QVERIFY(WaitForTail(console, QStringLiteral("2.5\n")));
        Type(console, QStringLiteral("4\n"));
        QVERIFY(WaitForTail(console, kPrompt));
        QCOMPARE(console->Text(), QStringLiteral("二つの数\n2.5\n4\n6.5\n") + kPrompt);
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(state->doneCalls.load(), 1);
    }

    // A run that floods, one that loops without output and one that waits for
    // input: each stops on Ctrl+C (then waits at the prompt) or on closing the
    // console (then ends at once), and `done` comes back.
    void runawayRunsStop_data()
    {
        QTest::addColumn<QByteArray>("outline");
        QTest::addColumn<bool>("byClosing");
        const QByteArray flood = "pre-loop: 1\n  output: \"y\"\n";
        const QByteArray silent = "pre-loop: 1\n  simple: i = i + 1\n";
        const QByteArray waiting = "input: x\noutput: \"never\"\n";
        QTest::newRow("flood, Ctrl+C") << flood << false;
        QTest::newRow("flood, closed") << flood << true;
        QTest::newRow("silent loop, Ctrl+C") << silent << false;
        QTest::newRow("silent loop, closed") << silent << true;
        QTest::newRow("waiting for input, Ctrl+C") << waiting << false;
        QTest::newRow("waiting for input, closed") << waiting << true;
    }
    void runawayRunsStop()
    {
        QFETCH(QByteArray, outline);
        QFETCH(bool, byClosing);
        auto doc = ChartFromOutline(outline);
        auto state = StartRun(*doc);
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QTest::qWait(100);
        QCOMPARE(state->doneCalls.load(), 0);
        if (byClosing) {
            console->close();
            QTRY_COMPARE(state->doneCalls.load(), 1);
            QVERIFY(!OpenConsole());
        } else {
            QTest::keyClick(console, Qt::Key_C, Qt::ControlModifier);
            QVERIFY(WaitForTail(console, kPrompt));
            QVERIFY(!console->Text().contains(QStringLiteral("never")));
            QTest::keyClick(console, Qt::Key_Return);
            QTRY_COMPARE(state->doneCalls.load(), 1);
        }
        QCOMPARE(state->outcome.load(), static_cast<int>(RunOutcome::Interrupted));
    }

    void generatedCodeIsShownInTheCodeConsole()
    {
        auto doc = ChartFromOutline("simple: x = sqrt(2)\n"
                                    "pre-loop: i = 1, 3\n"
                                    "  output: i\n");
        std::atomic<int> doneCalls { 0 };
        CRootSequence* root = &doc->m_root;
        StartConsoleJob(
            nullptr, ConsoleKind::Code, [root](CConsole& console) { GenerateCode(*root, console); },
            [&doneCalls] { ++doneCalls; });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QCOMPARE(console->windowTitle(), QStringLiteral("Tavrin：Cソースコード"));
        QVERIFY(WaitForTail(console, kPrompt));
        const QString text = console->Text();
        QVERIFY2(text.startsWith(QStringLiteral("#include <stdio.h>\n#include <math.h>\n\nint main(){\n    double x,i;\n"
                                                "    x = sqrt(2);\n")),
                 qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("    return 0;\n}\n") + kPrompt), qPrintable(text));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(doneCalls.load(), 1);
    }

    void exactCodeIsShownInTheCodeConsole()
    {
        auto doc = ChartFromOutline("simple: x = 7 % 2\n"
                                    "output: \"x = \", x\n");
        std::atomic<int> doneCalls { 0 };
        CRootSequence* root = &doc->m_root;
        StartConsoleJob(
            nullptr, ConsoleKind::Code, [root](CConsole& console) { GenerateExactCode(*root, console); },
            [&doneCalls] { ++doneCalls; });
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QCOMPARE(console->windowTitle(), QStringLiteral("Tavrin：Cソースコード"));
        QVERIFY(WaitForTail(console, kPrompt));
        const QString text = console->Text();
        QVERIFY2(text.contains(QStringLiteral("    /* x = 7 % 2 */\n    x = mod(7, 2, \"x = 7 % 2\");\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("printf(\"x = %s\\n\", num(x));")), qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("    return 0;\n}\n") + kPrompt), qPrintable(text));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(doneCalls.load(), 1);
    }

    // Not a check: with TAVRIN_SCREENSHOT_DIR set (scripts/screenshot-console.sh)
    // it saves a picture of the console after a run of an example with input.
    void screenshot()
    {
        const QString dir = qEnvironmentVariable("TAVRIN_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("TAVRIN_SCREENSHOT_DIR is not set");
        auto doc = std::make_unique<CTavrinDoc>();
        doc->Load(SourceFile(QStringLiteral("examples/gcd.pad")).toStdString());
        auto state = StartRun(*doc);
        QTRY_VERIFY(OpenConsole());
        QPointer<CConsoleWindow> console = OpenConsole();
        QVERIFY(WaitForTail(console, QStringLiteral("\n")));
        Type(console, QStringLiteral("1071\n"));
        QVERIFY(WaitForTail(console, QStringLiteral("1071\n")));
        Type(console, QStringLiteral("462\n"));
        QVERIFY(WaitForTail(console, kPrompt));
        QTest::qWait(200);
        QVERIFY(console->grab().save(dir + QStringLiteral("/screenshot-console.png")));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(state->doneCalls.load(), 1);
    }
};

QTEST_MAIN(TestConsoleRun)
#include "tst_console_run.moc"

// Window activation and stacking on a real X server (CTest runs this program
// under xvfb-run, without a window manager): keys typed with xdotool, clicks
// on the main window during a run, the stacking order read from the server.

#include "AppTestSupport.h"
#include "ConsoleTestSupport.h"

#include "CConsoleWindow.h"
#include "CTavrinApp.h"
#include "CommandIds.h"
#include "Outline.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void XdoTool(const QStringList& arguments)
{
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

// Top-level windows of the X server, from the bottom of the stack up.
QList<WId> StackingOrder()
{
    QList<WId> order;
    const QString tree = Run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") });
    static const QRegularExpression id(QStringLiteral("^\\s+(0x[0-9a-f]+) "));
    for (const QString& line : tree.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = id.match(line);
        if (match.hasMatch())
            order.append(match.captured(1).toULongLong(nullptr, 16));
    }
    // xwininfo lists the top of the stack first.
    std::reverse(order.begin(), order.end());
    return order;
}

bool IsAbove(WId upper, WId lower)
{
    const QList<WId> order = StackingOrder();
    return order.indexOf(upper) > order.indexOf(lower) && order.indexOf(lower) >= 0;
}

WId TransientFor(WId window)
{
    const QString text = Run(QStringLiteral("xprop"), { QStringLiteral("-id"), QString::number(window),
                                                       QStringLiteral("WM_TRANSIENT_FOR") });
    static const QRegularExpression id(QStringLiteral("window id # (0x[0-9a-f]+)"));
    const QRegularExpressionMatch match = id.match(text);
    return match.hasMatch() ? match.captured(1).toULongLong(nullptr, 16) : 0;
}

} // namespace

class TestX11Windows : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;

    void Trigger(int id) { m_frame->Action(id)->trigger(); }

    QPointer<CConsoleWindow> WaitForConsole()
    {
        QPointer<CConsoleWindow> console;
        if (!QTest::qWaitFor([&] { return (console = OpenConsole()) != nullptr; }, 10000))
            return nullptr;
        return QTest::qWaitForWindowExposed(console) ? console : nullptr;
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (run by CTest under xvfb-run)");
        for (const char* tool : { "xdotool", "xwininfo", "xprop" })
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP("xdotool, xwininfo or xprop is not installed");
        InitAppTestResources();
        QSettings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication)).clear();
    }

    void init()
    {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->move(0, 0);
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
    }

    // Enter typed at the exit prompt on the real keyboard: the chart that was
    // active before the run is active again, with the keyboard focus.
    void theRunChartIsActiveAgainAfterEnter()
    {
        CTavrinDoc saved;
        BuildOutline("output: 1\n", saved.m_root);
        const QString path = m_dir.filePath(QStringLiteral("a.pad"));
        saved.Save(QFile::encodeName(path).toStdString());
        CChildFrame* a = m_frame->OpenDocumentFile(path);
        QVERIFY(a);
        CChildFrame* b = m_frame->OnFileNew();
        Trigger(cmd::kAddOutput);
        ClickChart(b->View(), GapPoint(b->Document().m_root, 0));
        CBoxEdit* editor = EditorOf(*b->Document().m_root.m_boxes[0]);
        QTest::keyClicks(editor, QStringLiteral("2"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
        for (int round = 0; round < 3; ++round) {
            Trigger(round == 1 ? cmd::kGenerateCode : cmd::kRun);
            QPointer<CConsoleWindow> console = WaitForConsole();
            QVERIFY(console);
            QVERIFY(WaitForTail(console, kPrompt));
            QTRY_VERIFY(console->isActiveWindow());
            XdoTool({ QStringLiteral("key"), QStringLiteral("--window"), QString::number(console->winId()),
                      QStringLiteral("Return") });
            QTRY_VERIFY_WITH_TIMEOUT(!console, 10000);
            QTRY_VERIFY(!m_frame->IsBusy());
            QTest::qWait(300);
            QCOMPARE(m_frame->ActiveChild(), b);
            QCOMPARE(m_frame->windowTitle(), QStringLiteral("Tavrin - Pad1"));
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
        }
    }

    // The console is a transient of the main window, and a click on the main
    // window during a run brings the console back to the front.
    void theConsoleStaysInFrontOfTheMainWindow()
    {
        CChildFrame* child = m_frame->OnFileNew();
        Trigger(cmd::kAddSimple);
        ClickChart(child->View(), GapPoint(child->Document().m_root, 0));
        // Waits for input, so the run stays under way.
        Trigger(cmd::kAddInput);
        ClickChart(child->View(), GapPoint(child->Document().m_root, 1));
        QTest::keyClicks(EditorOf(*child->Document().m_root.m_boxes[1]), QStringLiteral("x"));
        Trigger(cmd::kRun);
        QPointer<CConsoleWindow> console = WaitForConsole();
        QVERIFY(console);
        QCOMPARE(TransientFor(console->winId()), m_frame->winId());
        QTRY_VERIFY(IsAbove(console->winId(), m_frame->winId()));

        // Put the main window on top, as a click raises it under a window
        // manager, then click it.
        XdoTool({ QStringLiteral("windowraise"), QString::number(m_frame->winId()) });
        QTRY_VERIFY(IsAbove(m_frame->winId(), console->winId()));
        const QPoint inside = m_frame->mapToGlobal(QPoint(m_frame->width() / 2, m_frame->height() / 2));
        XdoTool({ QStringLiteral("mousemove"), QString::number(inside.x()), QString::number(inside.y()) });
        XdoTool({ QStringLiteral("click"), QStringLiteral("1") });
        QTRY_VERIFY_WITH_TIMEOUT(IsAbove(console->winId(), m_frame->winId()), 5000);
        QTRY_VERIFY(console->isActiveWindow());
        QVERIFY(m_frame->IsBusy());
        Type(console, QStringLiteral("5\n"));
        QVERIFY(WaitForTail(console, kPrompt));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->IsBusy(), 10000);
    }
};

QTEST_MAIN(TestX11Windows)
#include "tst_x11_windows.moc"

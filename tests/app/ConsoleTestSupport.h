#pragma once
// What the console window tests share: finding the open console, typing into
// it as a keyboard would, and waiting for its text.

#include "view/CConsoleWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>

inline const QString kPrompt = QStringLiteral("press ENTER key to exit");

inline CConsoleWindow* OpenConsole()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* console = qobject_cast<CConsoleWindow*>(w); console && console->isVisible())
            return console;
    return nullptr;
}

// Sends each character as a key press carrying its text, as a keyboard or an
// input method would; "\n" presses Enter.
inline void Type(QWidget* w, const QString& text)
{
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\n') {
            QTest::keyClick(w, Qt::Key_Return);
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&c, 1));
        QApplication::sendEvent(w, &press);
    }
}

// Drains the console's output until its text ends with `tail`; false when
// the console went away or the time ran out.
inline bool WaitForTail(QPointer<CConsoleWindow> console, const QString& tail, int timeoutMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (!console)
            return false;
        console->DrainOutput(50);
        if (console->Text().endsWith(tail))
            return true;
        QTest::qWait(5);
    }
    return false;
}

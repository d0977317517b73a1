#pragma once
// Helpers shared by the desktop program's Qt tests: scripted answers to the
// program's questions, and clicks in chart coordinates.

#include "view/CBoxEdit.h"
#include "view/CBoxText.h"
#include "model/CBoxSequence.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "model/CProcessBox.h"
#include "app/CPrompts.h"
#include "model/CTavrinDoc.h"
#include "view/CTavrinView.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <string>

// CTest runs test programs side by side (one program even several times, at
// different scale factors); a settings file shared between them makes one
// test see what another just wrote. Each process gets settings of its own.
inline void IsolateTestSettings()
{
    static QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
}

inline void InitAppTestResources()
{
    Q_INIT_RESOURCE(tavrin);
    // Recent files and printer settings go to a test location.
    QStandardPaths::setTestModeEnabled(true);
    IsolateTestSettings();
}

// Answers message boxes and file dialogs from queues and records what was
// asked. An unexpected message box is answered with Cancel (or Ok).
class ScriptedPrompts {
public:
    ScriptedPrompts()
    {
        prompts::SetMessageHandler([this](QWidget*, QMessageBox::Icon, const QString& text,
                                          QMessageBox::StandardButtons buttons) {
            messages.append(text);
            if (!answers.empty()) {
                const auto answer = answers.front();
                answers.pop_front();
                return answer;
            }
            return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        });
        prompts::SetPathHandler([this](QWidget*, bool save, const QString& suggested) {
            (save ? savesAsked : opensAsked).append(suggested);
            if (paths.empty())
                return QString();
            const QString path = paths.front();
            paths.pop_front();
            return path;
        });
    }
    ~ScriptedPrompts()
    {
        prompts::SetMessageHandler(nullptr);
        prompts::SetPathHandler(nullptr);
    }
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    QStringList messages;
    QStringList savesAsked;
    QStringList opensAsked;
    std::deque<QMessageBox::StandardButton> answers;
    std::deque<QString> paths;
};

inline void Paint(CTavrinView& view)
{
    view.viewport()->repaint();
}

// Clicks a logical chart point and lets the view paint.
inline void ClickChart(CTavrinView& view, QPoint logical, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, view.ToViewport(logical));
    Paint(view);
}

// A point on the sequence line, in the middle of gap `index`.
inline QPoint GapPoint(const CBoxSequence& sequence, int index)
{
    int top = sequence.m_top;
    for (int i = 0; i < index; ++i)
        top = sequence.m_boxes[static_cast<std::size_t>(i)]->m_y
            + sequence.m_boxes[static_cast<std::size_t>(i)]->m_height;
    const int bottom = index < static_cast<int>(sequence.m_boxes.size())
        ? sequence.m_boxes[static_cast<std::size_t>(index)]->m_y
        : sequence.m_bottom;
    return QPoint(sequence.m_x, (top + bottom) / 2);
}

// A point on a box's margin: inside its hit rectangle, outside its editor.
inline QPoint MarginPoint(const CProcessBox& box)
{
    return QPoint(box.m_x + box.m_width - 4, box.m_y + box.m_height / 2);
}

// The box's text in the view (null before the box was painted).
inline CBoxText* TextOf(const CProcessBox& box)
{
    return dynamic_cast<CBoxText*>(box.m_editor.get());
}

// The view's text widget, set to edit the box as a click into its text does
// (the focus stays where it is); null before the box was painted.
inline CBoxEdit* EditorOf(const CProcessBox& box)
{
    CBoxText* text = TextOf(box);
    return text ? text->View().EditBox(text->Box()) : nullptr;
}

// Types text as a user does: keys for Latin-1 characters, input-method
// commits (as a Japanese input method sends them) for the others.
inline void TypeText(QWidget* widget, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() < 0x80) {
            QTest::keyClicks(widget, QString(text[i]));
            continue;
        }
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QInputMethodEvent commit;
        commit.setCommitString(text.mid(i, length));
        QApplication::sendEvent(widget, &commit);
        i += length - 1;
    }
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

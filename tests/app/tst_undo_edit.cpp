// Undo and redo, moving and copying boxes by dragging, the system clipboard
// and the keyboard, driven as a user drives them.

#include "AppTestSupport.h"

#include "app/CommandIds.h"
#include "app/UiTexts.h"
#include "model/BoxClipboard.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"

#include <QClipboard>
#include <QMdiArea>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>

using prompts::Text;

class TestUndoEdit : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    CChildFrame* m_child { nullptr };

    CTavrinView& View() { return m_child->View(); }
    CTavrinDoc& Doc() { return m_child->Document(); }
    CBoxSequence& Root() { return Doc().m_root; }
    void Trigger(int id) { m_frame->Action(id)->trigger(); }
    bool Enabled(int id) { return m_frame->Action(id)->isEnabled(); }

    CProcessBox& Insert(int tool, CBoxSequence& sequence, int index = 0)
    {
        Trigger(tool);
        ClickChart(View(), GapPoint(sequence, index));
        return *sequence.m_boxes.at(static_cast<std::size_t>(index));
    }
    void Select(const CProcessBox& box) { ClickChart(View(), MarginPoint(box)); }
    void TypeInto(CProcessBox& box, const QString& text)
    {
        CBoxEdit* editor = EditorOf(box);
        QVERIFY(editor);
        editor->setFocus();
        TypeText(editor, text);
    }
    void Key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(widget, key, modifiers);
        Paint(View());
    }
    QString Shown(const CProcessBox& box) { return TextOf(box)->DisplayText(); }
    // Presses on `from`, moves past the drag distance to `to` and releases
    // there; `during` sees the view while the box hangs over `to`.
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {},
              const std::function<void()>& during = {})
    {
        QWidget* viewport = View().viewport();
        QTest::mousePress(viewport, Qt::LeftButton, modifiers, View().ToViewport(from));
        QTest::mouseEvent(QTest::MouseMove, viewport, Qt::NoButton, modifiers, View().ToViewport(from) + QPoint(0, 12));
        QTest::mouseEvent(QTest::MouseMove, viewport, Qt::NoButton, modifiers, View().ToViewport(to));
        Paint(View());
        if (during)
            during();
        QTest::mouseRelease(viewport, Qt::LeftButton, modifiers, View().ToViewport(to));
        Paint(View());
    }
    static void PutOnClipboard(const QByteArray& bytes)
    {
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(kBoxMimeType.data(), qsizetype(kBoxMimeType.size())), bytes);
        QApplication::clipboard()->setMimeData(data);
    }

private slots:
    void initTestCase() { InitAppTestResources(); }

    void init()
    {
        QApplication::clipboard()->clear();
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        m_child = m_frame->OnFileNew();
        QVERIFY(m_child);
        Paint(View());
    }

    void cleanup()
    {
        for (CChildFrame* child : m_frame->Children())
            child->Document().SetModifiedFlag(false);
        m_frame.reset();
    }

    // Typing in a box is one step until the box is left; undo goes back
    // through typing, insertions and a deletion, redo forward again to the
    // very same file bytes, and both mark the chart modified.
    void undoAndRedoAcrossTypingAndStructuralEdits()
    {
        QVERIFY(!Enabled(cmd::kEditUndo));
        QVERIFY(!Enabled(cmd::kEditRedo));
        const std::string empty = Doc().SaveToBytes();
        CProcessBox& a = Insert(cmd::kAddSimple, Root());
        QVERIFY(a.m_selected);
        TypeInto(a, QStringLiteral("x=1"));
        QVERIFY(Enabled(cmd::kEditUndo));
        QCOMPARE(m_frame->Action(cmd::kEditUndo)->statusTip(), Text(texts::kPromptUndoPrefix) + Text(texts::kStepTyping));
        // Leaving the box ends the step: Escape, then a click into its text.
        Key(EditorOf(a), Qt::Key_Escape);
        QVERIFY(View().hasFocus());
        QVERIFY(a.m_selected);
        QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, View().ToViewport(QPoint(a.m_x + 20, a.m_y + 10)));
        TypeInto(a, QStringLiteral("0"));
        CProcessBox& b = Insert(cmd::kAddOutput, Root(), 1);
        TypeInto(b, QStringLiteral("x"));
        Select(b);
        Key(&View(), Qt::Key_Delete);
        QCOMPARE(Root().m_boxes.size(), std::size_t(1));
        QCOMPARE(m_frame->Action(cmd::kEditUndo)->statusTip(), Text(texts::kPromptUndoPrefix) + Text(texts::kStepDelete));
        const std::string edited = Doc().SaveToBytes();

        // Ctrl+Z with an editor focused acts on the chart's history.
        CBoxEdit* editor = EditorOf(a);
        editor->setFocus();
        Key(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Root().m_boxes.size(), std::size_t(2));
        QCOMPARE(Shown(*Root().m_boxes[1]), QStringLiteral("x"));
        QVERIFY(Root().m_boxes[1]->m_selected);
        QCOMPARE(m_frame->Action(cmd::kEditRedo)->statusTip(), Text(texts::kPromptRedoPrefix) + Text(texts::kStepDelete));
        Trigger(cmd::kEditUndo); // the typing in b
        Paint(View());
        QCOMPARE(Shown(*Root().m_boxes[1]), QString());
        Trigger(cmd::kEditUndo); // b's insertion
        Paint(View());
        QCOMPARE(Root().m_boxes.size(), std::size_t(1));
        Trigger(cmd::kEditUndo); // "0"
        Paint(View());
        QCOMPARE(Shown(a), QStringLiteral("x=1"));
        QCOMPARE(EditorOf(a)->toPlainText(), QStringLiteral("x=1"));
        Trigger(cmd::kEditUndo); // "x=1"
        Trigger(cmd::kEditUndo); // a's insertion
        Paint(View());
        QVERIFY(!Enabled(cmd::kEditUndo));
        QCOMPARE(Doc().SaveToBytes(), empty);

        // Saving clears the modified flag; a redo sets it again.
        QTemporaryDir dir;
        QVERIFY(m_frame->SaveDocumentAs(*m_child, dir.filePath(QStringLiteral("u.pad"))));
        QVERIFY(!Doc().IsModified());
        for (int i = 0; i < 6; ++i) {
            QVERIFY(Enabled(cmd::kEditRedo));
            QTest::keyClick(&View(), Qt::Key_Y, Qt::ControlModifier);
            Paint(View());
        }
        QVERIFY(Doc().IsModified());
        QVERIFY(!Enabled(cmd::kEditRedo));
        QCOMPARE(Doc().SaveToBytes(), edited);
        // Ctrl+Shift+Z redoes as well.
        Key(&View(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Root().m_boxes.size(), std::size_t(2));
        Key(&View(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Doc().SaveToBytes(), edited);
    }

    void resizeDragIsOneStep()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        Select(box);
        const std::size_t steps = Doc().History().Count();
        QWidget* viewport = View().viewport();
        const QPoint handle(box.m_x + box.m_width, box.m_y + box.m_height);
        QTest::mousePress(viewport, Qt::LeftButton, {}, View().ToViewport(handle));
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(viewport, View().ToViewport(handle + QPoint(20 * i, 10 * i)));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, View().ToViewport(handle + QPoint(80, 40)));
        QCOMPARE(box.m_width, 230);
        QCOMPARE(Doc().History().Count(), steps + 1);
        QCOMPARE(Doc().History().UndoText(), texts::kStepResize);
        Trigger(cmd::kEditUndo);
        QCOMPARE(box.m_width, 150);
        QCOMPARE(box.m_height, 25);
    }

    // A box dragged by its margin moves to the gap it is dropped on, with
    // everything inside it, the gap shown meanwhile; with Ctrl it is copied.
    void dragMovesAndCtrlDragCopies()
    {
        auto& branch = static_cast<CBranchBox&>(Insert(cmd::kAddBranch, Root()));
        CProcessBox& inner = Insert(cmd::kAddSimple, branch.m_thenSeq);
        TypeInto(inner, QStringLiteral("y=2"));
        auto& loop = static_cast<CPreTestLoopBox&>(Insert(cmd::kAddPreTestLoop, Root(), 1));
        CProcessBox& a = Insert(cmd::kAddSimple, Root(), 2);
        TypeInto(a, QStringLiteral("a=1"));
        const std::string before = Doc().SaveToBytes();
        Select(a);
        Drag(MarginPoint(a), GapPoint(loop.m_bodySeq, 0), {}, [&] {
            QVERIFY(View().IsDraggingBox());
            QCOMPARE(View().DropGap().sequence, &loop.m_bodySeq);
            QCOMPARE(View().viewport()->cursor().shape(), Qt::DragMoveCursor);
        });
        QVERIFY(!View().IsDraggingBox());
        QCOMPARE(Root().m_boxes.size(), std::size_t(2));
        QCOMPARE(loop.m_bodySeq.m_boxes.size(), std::size_t(1));
        QCOMPARE(loop.m_bodySeq.m_boxes[0].get(), &a);
        QCOMPARE(Doc().History().UndoText(), texts::kStepMove);
        Trigger(cmd::kEditUndo);
        Paint(View());
        QCOMPARE(Doc().SaveToBytes(), before);

        // The branch, with its arm, copied below the loop.
        Select(branch);
        Drag(MarginPoint(branch), GapPoint(Root(), 2), Qt::ControlModifier);
        QCOMPARE(Root().m_boxes.size(), std::size_t(4));
        auto* copy = dynamic_cast<CBranchBox*>(Root().m_boxes[2].get());
        QVERIFY(copy && copy != &branch);
        QVERIFY(copy->m_selected && !branch.m_selected);
        QCOMPARE(copy->m_thenSeq.m_boxes.at(0)->m_text, std::string("y=2"));
        QCOMPARE(branch.m_thenSeq.m_boxes.size(), std::size_t(1));
        Trigger(cmd::kEditUndo);
        Paint(View());
        QCOMPARE(Doc().SaveToBytes(), before);
    }

    // Drops into the box itself, below it, onto its own place or off any
    // line change nothing and add no step.
    void refusedDropsDoNothing()
    {
        auto& branch = static_cast<CBranchBox&>(Insert(cmd::kAddBranch, Root()));
        auto& loop = static_cast<CPreTestLoopBox&>(Insert(cmd::kAddPreTestLoop, branch.m_elseSeq));
        Insert(cmd::kAddSimple, Root(), 1);
        Paint(View());
        const std::string before = Doc().SaveToBytes();
        const std::size_t steps = Doc().History().Count();
        for (const QPoint target : { GapPoint(branch.m_thenSeq, 0), GapPoint(loop.m_bodySeq, 0), GapPoint(Root(), 0),
                                     GapPoint(Root(), 1), QPoint(500, 380) }) {
            Select(branch);
            Drag(MarginPoint(branch), target, {}, [&] {
                QVERIFY(!View().DropGap());
                QCOMPARE(View().viewport()->cursor().shape(), Qt::ForbiddenCursor);
            });
            QCOMPARE(Doc().SaveToBytes(), before);
        }
        Drag(MarginPoint(branch), GapPoint(Root(), 1), Qt::ControlModifier);
        QCOMPARE(Doc().SaveToBytes(), before);
        // Escape while dragging: no drop, even onto a gap that takes it.
        Select(branch);
        Drag(MarginPoint(branch), GapPoint(Root(), 2), {}, [&] {
            QVERIFY(View().DropGap());
            QTest::keyClick(&View(), Qt::Key_Escape);
            QVERIFY(!View().IsDraggingBox());
        });
        QCOMPARE(Doc().SaveToBytes(), before);
        QCOMPARE(Doc().History().Count(), steps);
    }

    // Copy puts the box on the system clipboard; another chart pastes it,
    // as it pastes a box that another program instance put there, and data
    // of Tavrin's type that is no box is refused.
    void pasteBetweenChartsAndInstances()
    {
        auto& branch = static_cast<CBranchBox&>(Insert(cmd::kAddBranch, Root()));
        TypeInto(branch, QStringLiteral("a > 0"));
        TypeInto(Insert(cmd::kAddSimple, branch.m_elseSeq), QStringLiteral("b = 1"));
        Select(branch);
        Trigger(cmd::kEditCopy);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data->hasFormat(QString::fromLatin1(kBoxMimeType.data())));
        QVERIFY(data->text().contains(QStringLiteral("a > 0")));
        QVERIFY(data->text().contains(QStringLiteral("b = 1")));

        CChildFrame* first = m_child;
        m_child = m_frame->OnFileNew();
        Paint(View());
        QVERIFY(!View().Clipboard());
        QVERIFY(Enabled(cmd::kEditPaste));
        Trigger(cmd::kEditPaste);
        ClickChart(View(), GapPoint(Root(), 0));
        auto* pasted = dynamic_cast<CBranchBox*>(Root().m_boxes.at(0).get());
        QVERIFY(pasted);
        QCOMPARE(pasted->m_text, std::string("a > 0"));
        QCOMPARE(pasted->m_elseSeq.m_boxes.at(0)->m_text, std::string("b = 1"));

        // Another instance's box, copied while the paste tool is current.
        CTavrinDoc other;
        other.m_tool = kToolInput;
        CProcessBox* input = other.InsertAt({ &other.m_root, 0 }, nullptr, nullptr);
        other.SetBoxText(*input, std::string(1, 'n'));
        const std::string record = BoxToBytes(*input);
        PutOnClipboard(QByteArray(record.data(), qsizetype(record.size())));
        ClickChart(View(), GapPoint(Root(), 1));
        QCOMPARE(Root().m_boxes.size(), std::size_t(2));
        QCOMPARE(int(Root().m_boxes[1]->Kind()), int(BoxKind::Input));
        QCOMPARE(Root().m_boxes[1]->m_text, std::string("n"));

        ScriptedPrompts prompts;
        const std::string before = Doc().SaveToBytes();
        PutOnClipboard(QByteArray("\x05\x00garbage", 9));
        ClickChart(View(), GapPoint(Root(), 0));
        QCOMPARE(prompts.messages, QStringList { Text(texts::kUnexpectedFileFormat) });
        QCOMPARE(Doc().SaveToBytes(), before);
        // The Paste command refuses it too, leaving the tool as it was.
        m_frame->MdiArea()->setActiveSubWindow(first);
        m_child = first;
        Trigger(cmd::kAddOutput);
        Trigger(cmd::kEditPaste);
        QCOMPARE(prompts.messages.size(), 2);
        QCOMPARE(Doc().m_tool, kToolOutput);
    }

    // Up/Down in a sequence (on from one arm of a branch to the other),
    // Right into the first arm or body, Left to the owner, Home/End; Enter
    // and F2 edit, Escape comes back, Insert inserts below.
    void keyboardThroughNestedArms()
    {
        CProcessBox& first = Insert(cmd::kAddSimple, Root());
        auto& branch = static_cast<CBranchBox&>(Insert(cmd::kAddBranch, Root(), 1));
        CProcessBox& then1 = Insert(cmd::kAddSimple, branch.m_thenSeq);
        CProcessBox& then2 = Insert(cmd::kAddSimple, branch.m_thenSeq, 1);
        CProcessBox& else1 = Insert(cmd::kAddOutput, branch.m_elseSeq);
        auto& loop = static_cast<CPreTestLoopBox&>(Insert(cmd::kAddPostTestLoop, Root(), 2));
        CProcessBox& body = Insert(cmd::kAddInput, loop.m_bodySeq);
        TypeInto(body, QStringLiteral("k"));
        Select(first);
        QVERIFY(View().hasFocus());
        const QList<QPair<Qt::Key, CProcessBox*>> walk {
            { Qt::Key_Down, &branch }, { Qt::Key_Right, &then1 }, { Qt::Key_Down, &then2 },
            { Qt::Key_Down, &else1 },  { Qt::Key_Up, &then2 },    { Qt::Key_Home, &then1 },
            { Qt::Key_Left, &branch }, { Qt::Key_End, &loop },    { Qt::Key_Right, &body },
            { Qt::Key_Down, &body },   { Qt::Key_Left, &loop },   { Qt::Key_Home, &first },
            { Qt::Key_Left, &first },
        };
        for (const auto& [key, expected] : walk) {
            Key(&View(), key);
            QCOMPARE(View().SelectedBox(), expected);
        }
        Key(&View(), Qt::Key_End);
        Key(&View(), Qt::Key_Right);
        Key(&View(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(EditorOf(body)));
        QCOMPARE(EditorOf(body)->textCursor().position(), 1);
        Key(EditorOf(body), Qt::Key_Escape);
        QVERIFY(View().hasFocus());
        QCOMPARE(View().SelectedBox(), &body);
        Key(&View(), Qt::Key_F2);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(EditorOf(body)));
        Key(EditorOf(body), Qt::Key_Escape);

        // Insert: a box of the current tool below the selected one.
        Trigger(cmd::kAddOutput);
        View().setFocus();
        Key(&View(), Qt::Key_Insert);
        QCOMPARE(loop.m_bodySeq.m_boxes.size(), std::size_t(2));
        CProcessBox& added = *loop.m_bodySeq.m_boxes[1];
        QCOMPARE(int(added.Kind()), int(BoxKind::Output));
        QCOMPARE(View().SelectedBox(), &added);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(EditorOf(added)));
        // Nothing selected: at the head of the chart.
        ClickChart(View(), QPoint(500, 380));
        Key(&View(), Qt::Key_Insert);
        QCOMPARE(View().SelectedBox(), Root().m_boxes.front().get());
        QCOMPARE(Root().m_boxes.size(), std::size_t(4));
    }

    void selectedBoxIsScrolledIntoSight()
    {
        for (int i = 0; i < 40; ++i)
            Doc().InsertAt({ &Root(), 0 }, nullptr, nullptr);
        Paint(View());
        View().setFocus();
        Key(&View(), Qt::Key_Home);
        QCOMPARE(View().verticalScrollBar()->value(), 0);
        Key(&View(), Qt::Key_End);
        Paint(View());
        auto inSight = [this](const CProcessBox& box) {
            const QRect shown = View().viewport()->rect();
            return shown.contains(View().ToViewport(QPoint(box.m_x, box.m_y)))
                && shown.contains(View().ToViewport(QPoint(box.m_x + box.m_width, box.m_y + box.m_height)));
        };
        QVERIFY(View().verticalScrollBar()->value() > 0);
        QVERIFY(inSight(*Root().m_boxes.back()));
        // Undo brings what it gives back into sight too.
        Key(&View(), Qt::Key_Home);
        Key(&View(), Qt::Key_Delete);
        Key(&View(), Qt::Key_End);
        QVERIFY(!inSight(*Root().m_boxes.front()));
        Trigger(cmd::kEditUndo);
        Paint(View());
        QVERIFY(inSight(*Root().m_boxes.front()));
    }

    // While the chart may not be changed, no path changes it.
    void chartThatMayNotBeChanged()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        TypeInto(box, QStringLiteral("x"));
        Select(box);
        View().SetEditable(false);
        const std::string before = Doc().SaveToBytes();
        QVERIFY(!Enabled(cmd::kEditUndo));
        Trigger(cmd::kEditUndo);
        Key(&View(), Qt::Key_Delete);
        Key(&View(), Qt::Key_Insert);
        ClickChart(View(), GapPoint(Root(), 1));
        Select(box);
        QVERIFY(box.m_selected);
        Drag(MarginPoint(box), GapPoint(Root(), 0));
        Key(&View(), Qt::Key_Return);
        TypeText(EditorOf(box), QStringLiteral("yz"));
        Trigger(cmd::kEditCut);
        QCOMPARE(Doc().SaveToBytes(), before);
        QCOMPARE(Shown(box), QStringLiteral("x"));
        View().SetEditable(true);
        QVERIFY(Enabled(cmd::kEditUndo));
    }
};

QTEST_MAIN(TestUndoEdit)
#include "tst_undo_edit.moc"

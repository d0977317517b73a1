// Editing a chart as a user does: tools, clicks on gaps, boxes, margins and
// editors, typing, the Delete key, Cut/Copy/Paste, resizing.

#include "AppTestSupport.h"

#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "app/CommandIds.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTextBlock>
#include <QTemporaryDir>
#include <QtTest>

class TestChartView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    CChildFrame* m_child { nullptr };

    CTavrinView& View() { return m_child->View(); }
    CTavrinDoc& Doc() { return m_child->Document(); }
    CBoxSequence& Root() { return Doc().m_root; }
    void Trigger(int id) { m_frame->Action(id)->trigger(); }
    bool Enabled(int id) { return m_frame->Action(id)->isEnabled(); }
    bool Checked(int id) { return m_frame->Action(id)->isChecked(); }

    // Inserts a box with `tool` at gap `index` of `sequence`.
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

private slots:
    void initTestCase() { InitAppTestResources(); }

    void init()
    {
        // A box copied by an earlier test would make Paste available.
        QApplication::clipboard()->clear();
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->activateWindow();
        m_child = m_frame->OnFileNew();
        QVERIFY(m_child);
        Paint(View());
    }

    void cleanup()
    {
        Doc().SetModifiedFlag(false);
        m_frame.reset();
    }

    void emptyChartScrollsSixHundredByFourHundred()
    {
        QCOMPARE(View().ScrollSize(), QSize(600, 400));
        // Boxes below y 300 make the area taller: root bottom + 100.
        for (int i = 0; i < 6; ++i)
            Insert(cmd::kAddSimple, Root(), i);
        Paint(View());
        QVERIFY(Root().m_bottom > 300);
        QCOMPARE(View().ScrollSize(), QSize(600, Root().m_bottom + 100));
        QVERIFY(View().verticalScrollBar()->maximum() > 0 || View().viewport()->height() >= Root().m_bottom + 100);
    }

    void insertEachKind_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("kind");
        QTest::newRow("simple") << cmd::kAddSimple << int(BoxKind::Simple);
        QTest::newRow("branch") << cmd::kAddBranch << int(BoxKind::Branch);
        QTest::newRow("pre-test loop") << cmd::kAddPreTestLoop << int(BoxKind::PreTestLoop);
        QTest::newRow("post-test loop") << cmd::kAddPostTestLoop << int(BoxKind::PostTestLoop);
        QTest::newRow("output") << cmd::kAddOutput << int(BoxKind::Output);
        QTest::newRow("input") << cmd::kAddInput << int(BoxKind::Input);
    }

    // Every kind goes into the root, into both arms of a branch and into the
    // bodies of both loops; each insertion marks the chart modified and the
    // new box's editor holds the focus after the next paint.
    void insertEachKind()
    {
        QFETCH(int, tool);
        QFETCH(int, kind);
        auto check = [&](CBoxSequence& sequence, int index) {
            Doc().SetModifiedFlag(false);
            const std::size_t before = sequence.m_boxes.size();
            CProcessBox& box = Insert(tool, sequence, index);
            QCOMPARE(sequence.m_boxes.size(), before + 1);
            QCOMPARE(int(box.Kind()), kind);
            QVERIFY(Doc().IsModified());
            QVERIFY(EditorOf(box));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(EditorOf(box)));
        };
        auto& branch = static_cast<CBranchBox&>(Insert(cmd::kAddBranch, Root(), 0));
        auto& pre = static_cast<CPreTestLoopBox&>(Insert(cmd::kAddPreTestLoop, Root(), 1));
        auto& post = static_cast<CPreTestLoopBox&>(Insert(cmd::kAddPostTestLoop, Root(), 2));
        check(Root(), 3);
        check(Root(), 0);
        check(branch.m_thenSeq, 0);
        check(branch.m_elseSeq, 0);
        check(branch.m_thenSeq, 1);
        check(pre.m_bodySeq, 0);
        check(post.m_bodySeq, 0);
    }

    void toolCheckStates()
    {
        const int tools[] = { cmd::kAddSimple, cmd::kAddBranch, cmd::kAddPreTestLoop,
                              cmd::kAddPostTestLoop, cmd::kAddOutput, cmd::kAddInput };
        auto checkedTools = [&] {
            QList<int> checked;
            for (int id : tools)
                if (Checked(id))
                    checked.append(id);
            return checked;
        };
        QCOMPARE(checkedTools(), QList<int> { cmd::kAddSimple });
        for (int id : tools) {
            Trigger(id);
            QCOMPARE(checkedTools(), QList<int> { id });
            QCOMPARE(Doc().m_tool, ToolId(id));
        }
        // Paste unchecks every tool; a tool ends paste mode again.
        Select(Insert(cmd::kAddSimple, Root()));
        Trigger(cmd::kEditCopy);
        Trigger(cmd::kEditPaste);
        QVERIFY(checkedTools().isEmpty());
        QVERIFY(Checked(cmd::kEditPaste));
        Trigger(cmd::kAddOutput);
        QVERIFY(!Checked(cmd::kEditPaste));
        QCOMPARE(checkedTools(), QList<int> { cmd::kAddOutput });
    }

    void cutCopyPasteEnabling()
    {
        QVERIFY(!Enabled(cmd::kEditCut));
        QVERIFY(!Enabled(cmd::kEditCopy));
        QVERIFY(!Enabled(cmd::kEditPaste));
        QVERIFY(!Enabled(cmd::kEditUndo));
        QVERIFY(Enabled(cmd::kRun));
        QVERIFY(Enabled(cmd::kGenerateCode));
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        // A new box is selected; a click on empty space deselects it.
        QVERIFY(box.m_selected);
        QVERIFY(Enabled(cmd::kEditCut));
        ClickChart(View(), QPoint(450, 350));
        QVERIFY(!Enabled(cmd::kEditCut));
        Select(box);
        QVERIFY(box.m_selected);
        QVERIFY(Enabled(cmd::kEditCut));
        QVERIFY(Enabled(cmd::kEditCopy));
        QVERIFY(!Enabled(cmd::kEditPaste));
        Trigger(cmd::kEditCopy);
        QVERIFY(Enabled(cmd::kEditPaste));
        QVERIFY(!Checked(cmd::kEditPaste));
        // A click on empty space deselects: Cut and Copy go grey again.
        ClickChart(View(), QPoint(450, 350));
        QVERIFY(!box.m_selected);
        QVERIFY(!Enabled(cmd::kEditCut));
        QVERIFY(Enabled(cmd::kEditPaste));
    }

    void clickOnEmptySpaceDeselectsAndModifiesNothing()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        Select(box);
        Doc().SetModifiedFlag(false);
        ClickChart(View(), QPoint(400, 300));
        QVERIFY(!box.m_selected);
        QVERIFY(!Doc().IsModified());
        QVERIFY(View().hasFocus());
        QCOMPARE(Root().m_boxes.size(), std::size_t(1));
    }

    void marginClickSelectsAndDeleteKeyDeletes()
    {
        CProcessBox& first = Insert(cmd::kAddSimple, Root());
        auto& branch = static_cast<CBranchBox&>(Insert(cmd::kAddBranch, Root(), 1));
        CProcessBox& inner = Insert(cmd::kAddOutput, branch.m_elseSeq);
        Select(inner);
        QVERIFY(inner.m_selected);
        QVERIFY(!first.m_selected && !branch.m_selected);
        QVERIFY(View().hasFocus());
        Doc().SetModifiedFlag(false);
        QTest::keyClick(&View(), Qt::Key_Delete);
        Paint(View());
        QVERIFY(branch.m_elseSeq.m_boxes.empty());
        QVERIFY(Doc().IsModified());
        // Deleting a container takes its contents with it.
        Insert(cmd::kAddSimple, branch.m_thenSeq);
        Select(branch);
        QTest::keyClick(&View(), Qt::Key_Delete);
        QCOMPARE(Root().m_boxes.size(), std::size_t(1));
        QCOMPARE(Root().m_boxes[0].get(), &first);
    }

    void deleteKeyInEditorEditsText()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        CBoxEdit* editor = EditorOf(box);
        TypeInto(box, QStringLiteral("x=12"));
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(2, editor->viewport()->height() / 2));
        QVERIFY(box.m_selected);
        QCOMPARE(editor->textCursor().position(), 0);
        QVERIFY(!editor->textCursor().hasSelection());
        QTest::keyClick(editor, Qt::Key_Delete);
        QCOMPARE(editor->toPlainText(), QStringLiteral("=12"));
        QCOMPARE(Root().m_boxes.size(), std::size_t(1));
    }

    void editorClickSelectsItsBoxAndPlacesCaret()
    {
        CProcessBox& a = Insert(cmd::kAddSimple, Root());
        CProcessBox& b = Insert(cmd::kAddSimple, Root(), 1);
        TypeInto(b, QStringLiteral("abcdef"));
        Select(a);
        CBoxEdit* editor = EditorOf(b);
        QTextCursor third(editor->document());
        third.setPosition(3);
        const int x = editor->cursorRect(third).left() + 1;
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(x, editor->viewport()->height() / 2));
        QVERIFY(b.m_selected);
        QVERIFY(!a.m_selected);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
        QCOMPARE(editor->textCursor().position(), 3);
        QVERIFY(Enabled(cmd::kEditCopy));
    }

    void tabMovesFocusToViewAndEnterBreaksLine()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        CBoxEdit* editor = EditorOf(box);
        TypeInto(box, QStringLiteral("a"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, QStringLiteral("b"));
        QTest::keyClick(editor, Qt::Key_Tab);
        QVERIFY(View().hasFocus());
        QCOMPARE(editor->toPlainText(), QStringLiteral("a\nb"));
        // Line breaks are stored as the file stores them.
        QCOMPARE(editor->GetText(), std::string("a\r\nb"));
    }

    void everyKeyInEditorMarksModified()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        Doc().SetModifiedFlag(false);
        m_child->UpdateTitle();
        QVERIFY(!m_child->isWindowModified());
        QTest::keyClick(EditorOf(box), Qt::Key_Right);
        QVERIFY(Doc().IsModified());
        QVERIFY(m_child->isWindowModified());
    }

    void acceleratorsInEditorActOnBoxes_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("effect");
        QTest::newRow("Ctrl+C") << QKeyCombination(Qt::CTRL, Qt::Key_C) << "copy";
        QTest::newRow("Ctrl+Insert") << QKeyCombination(Qt::CTRL, Qt::Key_Insert) << "copy";
        QTest::newRow("Ctrl+X") << QKeyCombination(Qt::CTRL, Qt::Key_X) << "cut";
        QTest::newRow("Shift+Delete") << QKeyCombination(Qt::SHIFT, Qt::Key_Delete) << "cut";
        QTest::newRow("Ctrl+Z") << QKeyCombination(Qt::CTRL, Qt::Key_Z) << "undo";
        QTest::newRow("Alt+Backspace") << QKeyCombination(Qt::ALT, Qt::Key_Backspace) << "undo";
    }

    void acceleratorsInEditorActOnBoxes()
    {
        QFETCH(QKeyCombination, key);
        QFETCH(QString, effect);
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        CBoxEdit* editor = EditorOf(box);
        TypeInto(box, QStringLiteral("n=1"));
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(2, 5));
        QVERIFY(box.m_selected);
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QTest::keyClick(editor, key.key(), key.keyboardModifiers());
        Paint(View());
        if (effect == QLatin1String("copy")) {
            QVERIFY(View().Clipboard());
            QCOMPARE(View().Clipboard()->m_text, std::string("n=1"));
            QCOMPARE(Root().m_boxes.size(), std::size_t(1));
            QCOMPARE(editor->toPlainText(), QStringLiteral("n=1"));
        } else if (effect == QLatin1String("cut")) {
            QVERIFY(View().Clipboard());
            QCOMPARE(View().Clipboard()->m_text, std::string("n=1"));
            QVERIFY(Root().m_boxes.empty());
        } else {
            // The typing, the chart's last step, is taken back.
            QVERIFY(!View().Clipboard());
            QCOMPARE(editor->toPlainText(), QString());
            QCOMPARE(Root().m_boxes.size(), std::size_t(1));
        }
    }

    void pasteKeysChooseThePasteTool()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        Select(box);
        Trigger(cmd::kEditCopy);
        for (QKeyCombination key : { QKeyCombination(Qt::CTRL, Qt::Key_V), QKeyCombination(Qt::SHIFT, Qt::Key_Insert) }) {
            Trigger(cmd::kAddSimple);
            CBoxEdit* editor = EditorOf(box);
            editor->setFocus();
            QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
            QTest::keyClick(editor, key.key(), key.keyboardModifiers());
            QCOMPARE(Doc().m_tool, kToolPaste);
            QVERIFY(editor->toPlainText().isEmpty());
        }
    }

    void cutThenPasteSeveralIndependentCopies()
    {
        auto& loop = static_cast<CPreTestLoopBox&>(Insert(cmd::kAddPreTestLoop, Root()));
        CProcessBox& body = Insert(cmd::kAddOutput, loop.m_bodySeq);
        TypeInto(loop, QStringLiteral("i = 1, 3"));
        TypeInto(body, QStringLiteral("i"));
        Select(loop);
        Trigger(cmd::kEditCut);
        QVERIFY(Root().m_boxes.empty());
        Trigger(cmd::kEditPaste);
        ClickChart(View(), GapPoint(Root(), 0));
        ClickChart(View(), GapPoint(Root(), 1));
        QCOMPARE(Root().m_boxes.size(), std::size_t(2));
        for (auto& pasted : Root().m_boxes) {
            QCOMPARE(pasted->Kind(), BoxKind::PreTestLoop);
            auto& copy = static_cast<CPreTestLoopBox&>(*pasted);
            QVERIFY(EditorOf(copy));
            QCOMPARE(EditorOf(copy)->toPlainText(), QStringLiteral("i = 1, 3"));
            QCOMPARE(copy.m_bodySeq.m_boxes.size(), std::size_t(1));
            QCOMPARE(EditorOf(*copy.m_bodySeq.m_boxes[0])->toPlainText(), QStringLiteral("i"));
        }
        // Editing one copy leaves the other alone.
        TypeInto(*Root().m_boxes[0], QStringLiteral("0"));
        QVERIFY(EditorOf(*Root().m_boxes[1])->toPlainText() != EditorOf(*Root().m_boxes[0])->toPlainText());
    }

    // A box selected inside a container copies the whole root box; the copy
    // carries the texts as typed, also those of the boxes inside.
    void copyOfContainerCarriesTypedTexts()
    {
        auto& branch = static_cast<CBranchBox&>(Insert(cmd::kAddBranch, Root()));
        CProcessBox& inner = Insert(cmd::kAddSimple, branch.m_thenSeq);
        TypeInto(branch, QStringLiteral("a > 0"));
        TypeInto(inner, QStringLiteral("b = 1"));
        Select(inner);
        Trigger(cmd::kEditCopy);
        const auto* copy = dynamic_cast<const CBranchBox*>(View().Clipboard());
        QVERIFY(copy);
        QCOMPARE(copy->m_text, std::string("a > 0"));
        QCOMPARE(copy->m_thenSeq.m_boxes.size(), std::size_t(1));
        QCOMPARE(copy->m_thenSeq.m_boxes[0]->m_text, std::string("b = 1"));
    }

    void resizeDrag()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        Select(box);
        QWidget* viewport = View().viewport();
        const QPoint handle(box.m_x + box.m_width, box.m_y + box.m_height);
        Doc().SetModifiedFlag(false);
        QTest::mousePress(viewport, Qt::LeftButton, {}, View().ToViewport(handle));
        QVERIFY(View().IsResizing());
        QCOMPARE(viewport->cursor().shape(), Qt::SizeFDiagCursor);
        QTest::mouseMove(viewport, View().ToViewport(handle + QPoint(60, 40)));
        QCOMPARE(box.m_width, 210);
        QCOMPARE(box.m_height, 65);
        QVERIFY(Doc().IsModified());
        // Too small in one direction: only the other changes.
        QTest::mouseMove(viewport, View().ToViewport(QPoint(box.m_x + 10, box.m_y + 30)));
        QCOMPARE(box.m_width, 210);
        QCOMPARE(box.m_height, 30);
        // A release outside the window still ends the drag.
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(-50, -50));
        QVERIFY(!View().IsResizing());
        Paint(View());
        QTest::mouseMove(viewport, View().ToViewport(handle + QPoint(100, 100)));
        QCOMPARE(box.m_width, 210);
    }

    // The Delete key during a drag removes the box being resized; the drag
    // must end with it instead of resizing a deleted box.
    void deleteDuringResizeEndsTheDrag()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        Select(box);
        QWidget* viewport = View().viewport();
        const QPoint handle(box.m_x + box.m_width, box.m_y + box.m_height);
        QTest::mousePress(viewport, Qt::LeftButton, {}, View().ToViewport(handle));
        QVERIFY(View().IsResizing());
        QVERIFY(View().hasFocus());
        QTest::keyClick(&View(), Qt::Key_Delete);
        QVERIFY(Root().m_boxes.empty());
        QVERIFY(!View().IsResizing());
        QTest::mouseMove(viewport, View().ToViewport(handle + QPoint(30, 30)));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, View().ToViewport(handle + QPoint(30, 30)));
        Paint(View());
    }

    void textsLoadedAndNotEditedKeepTheirBytes()
    {
        CProcessBox& box = Insert(cmd::kAddSimple, Root());
        const std::string odd("a\x80\xa0" "b\r\nc\nd", 9); // not all valid code page 932
        box.m_editor->SetText(odd);
        QCOMPARE(box.m_editor->GetText(), odd);
        QCOMPARE(EditorOf(box)->UnencodableChar(), std::string());
        // Once edited, the text is what the widget shows.
        TypeInto(box, QStringLiteral("x"));
        QVERIFY(box.m_editor->GetText() != odd);
        QVERIFY(box.m_editor->GetText().find("\r\nc\r\nd") != std::string::npos);
    }

    void japaneseTextRoundTripsThroughTheEditor()
    {
        CProcessBox& box = Insert(cmd::kAddOutput, Root());
        TypeInto(box, QStringLiteral("\"合計 %d\", s"));
        QCOMPARE(box.m_editor->GetText(), std::string("\"\x8d\x87\x8c\x76 %d\", s"));
        QCOMPARE(EditorOf(box)->UnencodableChar(), std::string());
        TypeInto(box, QStringLiteral("\u20ac"));
        QCOMPARE(EditorOf(box)->UnencodableChar(), std::string("\u20ac"));
        QCOMPARE(View().FindUnencodable(), TextOf(box));
    }
};

QTEST_MAIN(TestChartView)
#include "tst_chartview.moc"

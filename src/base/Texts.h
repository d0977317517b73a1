#pragma once
// The system's own texts, each quoted exactly once. They are UTF-8 here;
// codec::Utf8ToCp932 gives the bytes where a console or a box needs them
// (see Cp932Text).

#include "base/TavrinVersion.h"

#include <string>
#include <string_view>

namespace texts {

// Files
inline constexpr std::string_view kUnexpectedFileFormat = "予期しないﾌｧｲﾙ形式です。";
inline constexpr std::string_view kPadFilter = "Pad ファイル(*.pad)";

// Interpreter
inline constexpr std::string_view kSyntaxError = "Systax Error";
inline constexpr std::string_view kDivisionByZero = "Division by ZERO.";
inline constexpr std::string_view kNoClosingParen = "閉じカッコがありません。";
inline constexpr std::string_view kBadSubscript = "添字が不正です";
inline constexpr std::string_view kSyntaxErrorEqual = "Systex error! -- equal";
inline constexpr std::string_view kIncrementError = "SystaxError";
inline constexpr std::string_view kDecrementError = "SyntaxError";
inline constexpr std::string_view kAssignToReserved = "予約語に対して値を代入しようとしました";
inline constexpr std::string_view kFunctionWithoutArgs = "関数に引数がありません。";
inline constexpr std::string_view kNoArguments = "引数がありません";
inline constexpr std::string_view kWrongArgumentCount = "引数の数が違う　または閉じ括弧がありません。";
inline constexpr std::string_view kWhat = "What!?";
inline constexpr std::string_view kBadExponent = "指数の表現が不正です";
inline constexpr std::string_view kNestingTooDeep = "Nesting too deep.";

// Runs and code
inline constexpr std::string_view kConsoleTitlePrefix = "Tavrin：";
inline constexpr std::string_view kRunTitle = "結果表示";
inline constexpr std::string_view kCodeTitle = "Cソースコード";
inline constexpr std::string_view kErrorLinePrefix = "Error -- \"";
// The console of a run or a code generation could not be opened.
// Shown for console events other than Ctrl+C (Ctrl+Break); the run goes on.
inline constexpr std::string_view kHandlerMessage = "ハンドラに制御が渡りました";
inline constexpr std::string_view kHandlerCaption = "ハンドラ";
inline constexpr std::string_view kConsoleOpenFailed = "コンソールを開けませんでした。";

// Printing
// The chart could not be printed (or written to a PDF file).
inline constexpr std::string_view kPrintFailed = "印刷できませんでした。";

// Desktop program: application, status bar, About box
inline constexpr std::string_view kAppTitle = "Tavrin";
inline constexpr std::string_view kDocumentName = "Pad"; // new charts are Pad1, Pad2, ...
inline constexpr std::string_view kIdleMessage = "ﾚﾃﾞｨ";
inline constexpr std::string_view kIndicatorKana = "ｶﾅ";
inline constexpr std::string_view kIndicatorCaps = "CAP";
inline constexpr std::string_view kIndicatorNum = "NUM";
inline constexpr std::string_view kIndicatorScroll = "SCRL";
inline constexpr std::string_view kAboutTitle = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr std::string_view kAboutVersion = "Tavrin Version " TAVRIN_VERSION;
inline constexpr std::string_view kAboutDevelopers = "開発者:\nTavrin プロジェクトの開発者一同";
inline constexpr std::string_view kOpenDialogTitle = "開く";
inline constexpr std::string_view kSaveAsDialogTitle = "名前を付けて保存";
// %1: the chart's name.
inline constexpr std::string_view kAskToSave = "%1 への変更を保存しますか?";
// %1: the file, %2: the reason.
inline constexpr std::string_view kSaveFailed = "%1 を保存できませんでした。\n%2";
inline constexpr std::string_view kOpenFailed = "%1 を開けませんでした。\n%2";
// Reasons for the two messages above that Qt has no words for.
inline constexpr std::string_view kReasonIsFolder = "ﾌｧｲﾙではなくﾌｫﾙﾀﾞです。";
inline constexpr std::string_view kReasonCannotRead = "ﾌｧｲﾙを読み込めません。";
inline constexpr std::string_view kReasonCannotWrite = "ﾌｧｲﾙに書き込めません。";
// %1: the box text, %2: the character.
inline constexpr std::string_view kUnencodableChar =
    "ﾎﾞｯｸｽ「%1」の文字「%2」はｺｰﾄﾞﾍﾟｰｼﾞ 932 (Shift_JIS) で表せません。\n"
    "「?」に置き換えて続けますか?";
inline constexpr std::string_view kBusyRunning = "実行中のｺﾝｿｰﾙを閉じてから終了してください。";

// Desktop program: status-bar prompts, a line break, then the tooltip
inline constexpr std::string_view kPromptFileNew = "新規にﾌｧｲﾙを作成\n新規ﾌｧｲﾙ";
inline constexpr std::string_view kPromptFileOpen = "既存のﾌｧｲﾙを開く\n開く";
inline constexpr std::string_view kPromptFileSave = "作業中のﾌｧｲﾙを上書きして保存\n保存";
inline constexpr std::string_view kPromptEditCut = "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\n切り取り";
inline constexpr std::string_view kPromptEditCopy = "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟｰ";
inline constexpr std::string_view kPromptFilePrint = "作業中のﾌｧｲﾙを印刷\n印刷";
inline constexpr std::string_view kPromptAddSimple = "単純処理を追加\n単純処理";
inline constexpr std::string_view kPromptAddBranch = "分岐処理を追加\n分岐";
inline constexpr std::string_view kPromptAddPreTestLoop = "前判定反復を追加\n前判定";
inline constexpr std::string_view kPromptAddPostTestLoop = "後判定反復を追加\n後判定";
inline constexpr std::string_view kPromptAddOutput = "表示処理\n表示";
inline constexpr std::string_view kPromptAddInput = "入力処理\n入力";
inline constexpr std::string_view kPromptEditPaste = "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け\n貼り付け";
inline constexpr std::string_view kPromptRun = "PADを実行\n実行";
inline constexpr std::string_view kPromptGenerateCode = "Cソースコードを生成\nコード生成";
inline constexpr std::string_view kItemGenerateExactCode = "そのまま動くCソース生成(&E)";
inline constexpr std::string_view kPromptAppAbout = "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報";

// Desktop program: menus 128 (no chart open) and 129 (a chart open).
// A tab separates an item's text from its shortcut.
inline constexpr std::string_view kMenuFile = "ﾌｧｲﾙ(&F)";
inline constexpr std::string_view kMenuEdit = "編集(&E)";
inline constexpr std::string_view kMenuView = "表示(&V)";
inline constexpr std::string_view kMenuWindow = "ｳｨﾝﾄﾞｳ(&W)";
inline constexpr std::string_view kMenuHelp = "ﾍﾙﾌﾟ(&H)";
inline constexpr std::string_view kItemFileNew = "新規作成(&N)\tCtrl+N";
inline constexpr std::string_view kItemFileOpen = "開く(&O)...\tCtrl+O";
inline constexpr std::string_view kItemFileClose = "閉じる(&C)";
inline constexpr std::string_view kItemFileSave = "上書き保存(&S)\tCtrl+S";
inline constexpr std::string_view kItemFileSaveAs = "名前を付けて保存(&A)...";
inline constexpr std::string_view kItemFilePrint = "印刷(&P)...\tCtrl+P";
inline constexpr std::string_view kItemFilePrintPreview = "印刷ﾌﾟﾚﾋﾞｭｰ(&V)";
inline constexpr std::string_view kItemFilePrintSetup = "ﾌﾟﾘﾝﾀの設定(&R)...";
inline constexpr std::string_view kItemRecentFiles = "最近使ったﾌｧｲﾙ";
inline constexpr std::string_view kItemAppExit = "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)";
inline constexpr std::string_view kItemEditUndo = "元に戻す(&U)\tCtrl+Z";
inline constexpr std::string_view kItemEditCut = "切り取り(&T)\tCtrl+X";
inline constexpr std::string_view kItemEditCopy = "ｺﾋﾟｰ(&C)\tCtrl+C";
inline constexpr std::string_view kItemEditPaste = "貼り付け(&P)\tCtrl+V";
inline constexpr std::string_view kItemViewToolBar = "ﾂｰﾙ ﾊﾞｰ(&T)";
inline constexpr std::string_view kItemViewStatusBar = "ｽﾃｰﾀｽ ﾊﾞｰ(&S)";
inline constexpr std::string_view kItemViewZoomIn = "拡大(&I)";
inline constexpr std::string_view kItemViewZoomOut = "縮小(&O)";
inline constexpr std::string_view kItemViewZoomReset = "100%(&N)";
inline constexpr std::string_view kItemWindowCascade = "重ねて表示(&C)";
inline constexpr std::string_view kItemWindowTile = "並べて表示(&T)";
inline constexpr std::string_view kItemWindowArrange = "ｱｲｺﾝの整列(&A)";
inline constexpr std::string_view kItemAppAbout = "ﾊﾞｰｼﾞｮﾝ情報(&A)...";

// Steps of a chart's history, as Undo and Redo name them
inline constexpr std::string_view kStepDelete = "削除";
inline constexpr std::string_view kStepInsert = "挿入";
inline constexpr std::string_view kStepCut = "切り取り";
inline constexpr std::string_view kStepPaste = "貼り付け";
inline constexpr std::string_view kStepResize = "サイズ変更";
inline constexpr std::string_view kStepTyping = "入力";
inline constexpr std::string_view kStepMove = "移動";
inline constexpr std::string_view kStepCopy = "コピー";
inline constexpr std::string_view kItemEditRedo = "やり直し(&R)\tCtrl+Y";
// Status-bar prompts of Undo and Redo: the prefix, then the step's name.
inline constexpr std::string_view kPromptUndoPrefix = "元に戻す: ";
inline constexpr std::string_view kPromptRedoPrefix = "やり直し: ";

// Chart terminals: labels on the screen and on a printed page
inline constexpr std::string_view kStartLabel = "start";
inline constexpr std::string_view kEndLabel = "end";
inline constexpr std::string_view kPrintStartLabel = "S";
inline constexpr std::string_view kPrintEndLabel = "E";

// The code page 932 bytes of one of the texts above (converted once).
const std::string& Cp932Text(std::string_view utf8);

} // namespace texts

#pragma once
// The texts that only the desktop program shows (menus, prompts, dialogs),
// each quoted exactly once, UTF-8. They are shown through prompts::Text (or
// ui::Tr), which gives the chosen language's translation: each text needs
// one line in every res/translations/*.ts file, and tst_translations names
// the texts that have none. A text built with a macro (such as the version)
// cannot be a translation's key and is shown as it stands.

#include "base/TavrinVersion.h"
#include "base/Texts.h"

#include <string_view>

namespace texts {

inline constexpr std::string_view kPadFilter = "Pad ファイル(*.pad)";
inline constexpr std::string_view kItemEditRedo = "やり直し(&R)\tCtrl+Y";

// Desktop program: application, status bar, About box
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
inline constexpr std::string_view kAskStopRun = "実行中です。実行を停止して閉じますか?";
// The status bar after a run that ended on an error, before the error's text.
inline constexpr std::string_view kErrorStatusPrefix = "エラー: ";
// The variable watch.
inline constexpr std::string_view kWatchTitle = "変数";
inline constexpr std::string_view kWatchName = "名前";
inline constexpr std::string_view kWatchValue = "値";

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
inline constexpr std::string_view kPromptStep = "次のボックスを1つ実行して一時停止\nステップ実行";
inline constexpr std::string_view kPromptStepOver = "現在のボックスを中のボックスごと実行して一時停止\nステップ オーバー";
inline constexpr std::string_view kPromptContinue = "次のブレークポイントか終わりまで実行\n続行";
inline constexpr std::string_view kPromptPause = "実行を次のボックスの前で一時停止\n一時停止";
inline constexpr std::string_view kPromptStop = "実行を停止\n停止";
inline constexpr std::string_view kPromptToggleBreakpoint = "選択したボックスのブレークポイントを設定または解除\nブレークポイント";
inline constexpr std::string_view kPromptClearBreakpoints = "このPADのすべてのブレークポイントを解除\nブレークポイントの解除";
inline constexpr std::string_view kPromptSpeedFull = "ボックスの間で待たずに実行\n最高速";
inline constexpr std::string_view kPromptSpeedFast = "ボックスの間で 0.05 秒待って実行\n速い";
inline constexpr std::string_view kPromptSpeedSlow = "ボックスの間で 0.3 秒待って実行\n遅い";
inline constexpr std::string_view kPromptSpeedVerySlow = "ボックスの間で 1 秒待って実行\nとても遅い";
inline constexpr std::string_view kPromptAppAbout = "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報";

// Desktop program: menus 128 (no chart open) and 129 (a chart open).
// A tab separates an item's text from its shortcut.
inline constexpr std::string_view kMenuFile = "ﾌｧｲﾙ(&F)";
inline constexpr std::string_view kMenuEdit = "編集(&E)";
inline constexpr std::string_view kMenuView = "表示(&V)";
inline constexpr std::string_view kMenuRun = "実行(&R)";
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
inline constexpr std::string_view kItemRun = "実行(&R)\tF5";
inline constexpr std::string_view kItemStep = "ステップ実行(&S)\tF10";
inline constexpr std::string_view kItemStepOver = "ステップ オーバー(&O)\tShift+F10";
inline constexpr std::string_view kItemContinue = "続行(&C)\tF8";
inline constexpr std::string_view kItemPause = "一時停止(&P)";
inline constexpr std::string_view kItemStop = "停止(&T)\tShift+F5";
inline constexpr std::string_view kItemToggleBreakpoint = "ブレークポイントの設定/解除(&B)\tF9";
inline constexpr std::string_view kItemClearBreakpoints = "すべてのブレークポイントを解除(&A)";
inline constexpr std::string_view kMenuSpeed = "速度";
inline constexpr std::string_view kItemSpeedFull = "最高速(&F)";
inline constexpr std::string_view kItemSpeedFast = "速い(&A)";
inline constexpr std::string_view kItemSpeedSlow = "遅い(&S)";
inline constexpr std::string_view kItemSpeedVerySlow = "とても遅い(&V)";
inline constexpr std::string_view kItemGenerateCode = "Cソース生成(&G)";
inline constexpr std::string_view kItemWindowCascade = "重ねて表示(&C)";
inline constexpr std::string_view kItemWindowTile = "並べて表示(&T)";
inline constexpr std::string_view kItemWindowArrange = "ｱｲｺﾝの整列(&A)";
inline constexpr std::string_view kItemAppAbout = "ﾊﾞｰｼﾞｮﾝ情報(&A)...";

// Status-bar prompts of Undo and Redo: the prefix, then the step's name.
inline constexpr std::string_view kPromptUndoPrefix = "元に戻す: ";
inline constexpr std::string_view kPromptRedoPrefix = "やり直し: ";

// The language of the menus and dialogs. The menu names both languages so
// that a user who reads only one of them finds it; the items name each
// language in itself.
inline constexpr std::string_view kMenuLanguage = "言語 / Language";
inline constexpr std::string_view kItemLanguageJapanese = "日本語";
inline constexpr std::string_view kItemLanguageEnglish = "English";
inline constexpr std::string_view kLanguageAfterRestart =
    "言語は次に Tavrin を起動したときに切り替わります。\n"
    "The language changes the next time Tavrin starts.";

} // namespace texts

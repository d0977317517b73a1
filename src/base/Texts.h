#pragma once
// The system's own texts that the core writes or the chart shows (messages,
// titles, prompts, the file-format error), each quoted exactly once; the
// desktop program's own texts are in app/UiTexts.h. They are UTF-8 here;
// codec::Utf8ToCp932 gives the bytes where a console or a box needs them
// (see Cp932Text).

#include <string>
#include <string_view>

namespace texts {

// Files
inline constexpr std::string_view kUnexpectedFileFormat = "予期しないﾌｧｲﾙ形式です。";

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

// The program's name, as windows and rendered files give it
inline constexpr std::string_view kAppTitle = "Tavrin";

// Steps of a chart's history, as Undo and Redo name them
inline constexpr std::string_view kStepDelete = "削除";
inline constexpr std::string_view kStepInsert = "挿入";
inline constexpr std::string_view kStepCut = "切り取り";
inline constexpr std::string_view kStepPaste = "貼り付け";
inline constexpr std::string_view kStepResize = "サイズ変更";
inline constexpr std::string_view kStepTyping = "入力";
inline constexpr std::string_view kStepMove = "移動";
inline constexpr std::string_view kStepCopy = "コピー";

// Chart terminals: labels on the screen and on a printed page
inline constexpr std::string_view kStartLabel = "start";
inline constexpr std::string_view kEndLabel = "end";
inline constexpr std::string_view kPrintStartLabel = "S";
inline constexpr std::string_view kPrintEndLabel = "E";

// The code page 932 bytes of one of the texts above (converted once).
const std::string& Cp932Text(std::string_view utf8);

} // namespace texts

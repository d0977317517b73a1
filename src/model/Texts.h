#pragma once
// The system's own texts, each quoted exactly once. They are UTF-8 here;
// codec::Utf8ToCp932 gives the bytes where a console or a box needs them
// (see Cp932Text).

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

// The code page 932 bytes of one of the texts above (converted once).
const std::string& Cp932Text(std::string_view utf8);

} // namespace texts

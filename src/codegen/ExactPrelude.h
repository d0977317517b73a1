#pragma once
// The support code of an exact C translation: a short, commented helper for
// each rule of the run that plain C does not share. A program gets only the
// helpers it uses (and those they need).

#include <set>
#include <string>

namespace exact_prelude {

// Helper names, as the generated program calls them.
inline constexpr const char* kIsTrue = "is_true";
inline constexpr const char* kToInt = "to_int";
inline constexpr const char* kFail = "fail";
inline constexpr const char* kBoth = "both";
inline constexpr const char* kEither = "either";
inline constexpr const char* kDivide = "divide";
inline constexpr const char* kMod = "mod";
inline constexpr const char* kBitAnd = "bit_and";
inline constexpr const char* kBitOr = "bit_or";
inline constexpr const char* kBitXor = "bit_xor";
inline constexpr const char* kShiftLeft = "shift_left";
inline constexpr const char* kShiftRight = "shift_right";
inline constexpr const char* kIntAbs = "int_abs";
inline constexpr const char* kNextRand = "next_rand";
inline constexpr const char* kSeedRand = "seed_rand";
inline constexpr const char* kGaussian = "gaussianrand";
inline constexpr const char* kNum = "num";
inline constexpr const char* kArray = "array";
inline constexpr const char* kGet = "get";
inline constexpr const char* kPut = "put";
inline constexpr const char* kReadNumber = "read_number";
inline constexpr const char* kFixed6 = "fixed6";

// Every name the prelude and the headers it includes may declare: chart
// variables with these names are renamed.
const std::set<std::string>& ReservedNames();

// The include lines and helpers for `used` (helper names above; "math" for
// <math.h>), `numSlots` being the most values one printf call formats.
std::string Text(const std::set<std::string>& used, int numSlots);

} // namespace exact_prelude

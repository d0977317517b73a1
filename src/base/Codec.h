#pragma once
// The one place where texts change encoding. Box texts, console bytes and
// file strings are code page 932 (Shift-JIS as Windows extends it); the
// desktop, the terminal and the outline files speak UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace codec {

// The first byte of a double-byte character of code page 932.
constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
// A byte that can stand second in a double-byte character.
constexpr bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
// Whether `first` and `second` together are one double-byte character.
constexpr bool IsDoubleByte(char first, char second)
{
    return IsLeadByte(static_cast<unsigned char>(first)) && IsTrailByte(static_cast<unsigned char>(second));
}

// Bytes that are not valid code page 932 become U+FFFD, one per bad byte.
std::string Cp932ToUtf8(std::string_view cp932);

// Characters that code page 932 cannot hold are reported: the result is
// empty and `badChar`, if given, receives the first such character (UTF-8).
std::optional<std::string> Utf8ToCp932(std::string_view utf8, std::string* badChar = nullptr);

// UTF-16 little-endian code units to code page 932; characters it cannot hold
// become '?'.
std::string Utf16ToCp932(std::u16string_view utf16);

// Converts a stream of code page 932 bytes to UTF-8 piece by piece, keeping
// a lead byte whose trail byte has not arrived yet for the next piece.
class CStreamDecoder {
public:
    std::string Feed(std::string_view bytes);
    // What is still held back, converted as it stands.
    std::string Flush();

private:
    std::string m_pending;
};

} // namespace codec

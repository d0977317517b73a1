#include "base/Codec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace codec {
namespace {

// One conversion descriptor per direction and thread: iconv descriptors keep
// shift state and must not be shared between threads. The named charsets
// make the conversion independent of the process locale.
class CIconv {
public:
    CIconv(const char* to, const char* from)
        : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("text conversion from ") + from + " to " + to
                + " is not available on this system");
    }
    ~CIconv() { iconv_close(m_cd); }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    enum class Stop { Done, BadInput, Incomplete };

    // Converts as much of `in` as it can, appending to `out`; `in` is left
    // at the first byte that could not be converted.
    Stop Convert(std::string_view& in, std::string& out)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[4096];
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        Stop stop = Stop::Done;
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            stop = errno == EINVAL ? Stop::Incomplete : Stop::BadInput;
            break;
        }
        in = std::string_view(src, srcLeft);
        return stop;
    }

private:
    iconv_t m_cd;
};

CIconv& FromCp932()
{
    thread_local CIconv cd("UTF-8", "CP932");
    return cd;
}

CIconv& ToCp932()
{
    thread_local CIconv cd("CP932", "UTF-8");
    return cd;
}

CIconv& Utf16ToCp932Converter()
{
    thread_local CIconv cd("CP932", "UTF-16LE");
    return cd;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Length of the UTF-8 sequence that starts with `b` (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char b)
{
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    if (b >= 0xE0)
        return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2)
        return 2;
    return 1;
}

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    std::string out;
    out.reserve(cp932.size());
    while (!cp932.empty()) {
        if (FromCp932().Convert(cp932, out) == CIconv::Stop::Done)
            break;
        // One replacement character for each byte that does not convert.
        out.append(kReplacement);
        cp932.remove_prefix(1);
    }
    return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8, std::string* badChar)
{
    std::string out;
    out.reserve(utf8.size());
    if (ToCp932().Convert(utf8, out) == CIconv::Stop::Done)
        return out;
    if (badChar != nullptr) {
        const std::size_t length = std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[0])), utf8.size());
        *badChar = std::string(utf8.substr(0, length));
    }
    return std::nullopt;
}

std::string Utf16ToCp932(std::u16string_view utf16)
{
    std::string in(utf16.size() * 2, '\0');
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        in[2 * i] = static_cast<char>(utf16[i] & 0xFF);
        in[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
    }
    std::string out;
    std::string_view rest = in;
    while (!rest.empty()) {
        if (Utf16ToCp932Converter().Convert(rest, out) == CIconv::Stop::Done)
            break;
        out.push_back('?');
        // Skip a whole surrogate pair as one character.
        std::size_t skip = 2;
        if (rest.size() >= 4) {
            const unsigned high = static_cast<unsigned char>(rest[0]) | (static_cast<unsigned char>(rest[1]) << 8);
            const unsigned low = static_cast<unsigned char>(rest[2]) | (static_cast<unsigned char>(rest[3]) << 8);
            if (high >= 0xD800 && high <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF)
                skip = 4;
        }
        rest.remove_prefix(std::min(skip, rest.size()));
    }
    return out;
}

std::string CStreamDecoder::Feed(std::string_view bytes)
{
    m_pending.append(bytes);
    // Find where the last complete character ends.
    std::size_t i = 0;
    const std::size_t n = m_pending.size();
    while (i < n) {
        if (IsLeadByte(static_cast<unsigned char>(m_pending[i]))) {
            if (i + 1 >= n)
                break;
            i += 2;
        } else {
            ++i;
        }
    }
    std::string out = Cp932ToUtf8(std::string_view(m_pending).substr(0, i));
    m_pending.erase(0, i);
    return out;
}

std::string CStreamDecoder::Flush()
{
    std::string out = Cp932ToUtf8(m_pending);
    m_pending.clear();
    return out;
}

} // namespace codec

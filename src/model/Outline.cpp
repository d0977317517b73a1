#include "model/Outline.h"

#include "model/CArchive.h"
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "base/Codec.h"

#include <array>
#include <charconv>
#include <optional>
#include <vector>

namespace {

struct KindName {
    BoxKind kind;
    std::string_view name;
    ToolId tool;
};

// The names of the outline; their tools insert the same kinds.
constexpr std::array<KindName, 6> kKindNames { {
    { BoxKind::Simple, "simple", kToolSimple },
    { BoxKind::Branch, "branch", kToolBranch },
    { BoxKind::PreTestLoop, "pre-loop", kToolPreTestLoop },
    { BoxKind::PostTestLoop, "post-loop", kToolPostTestLoop },
    { BoxKind::Output, "output", kToolOutput },
    { BoxKind::Input, "input", kToolInput },
} };

constexpr int kIndentWidth = 2;

std::string_view NameOf(BoxKind kind)
{
    for (const auto& k : kKindNames) {
        if (k.kind == kind)
            return k.name;
    }
    return "?";
}

bool IsControl(unsigned char b)
{
    return b < 0x20 || b == 0x7F;
}

// True when the character converts to UTF-8 and back to the same bytes.
bool RoundTrips(std::string_view cp932, std::string& utf8)
{
    utf8 = codec::Cp932ToUtf8(cp932);
    const auto back = codec::Utf8ToCp932(utf8);
    return back && *back == cp932;
}

bool CanBeRaw(std::string_view text)
{
    if (text.empty())
        return false;
    for (unsigned char b : text) {
        if (IsControl(b))
            return false;
    }
    std::string utf8;
    if (!RoundTrips(text, utf8))
        return false;
    // Blanks at either end would be lost to any editor that trims lines.
    constexpr std::string_view kIdeographicSpace = "\u3000";
    return !(utf8.front() == ' ' || utf8.back() == ' ' || utf8.starts_with(kIdeographicSpace)
        || utf8.ends_with(kIdeographicSpace));
}

void AppendHex(std::string& out, unsigned char b)
{
    constexpr std::string_view digits = "0123456789ABCDEF";
    out += "\\x";
    out += digits[b >> 4];
    out += digits[b & 0xF];
}

std::string Escape(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '\\' || b == '"') {
            out += '\\';
            out += static_cast<char>(b);
            ++i;
        } else if (b == '\r') {
            out += "\\r";
            ++i;
        } else if (b == '\n') {
            out += "\\n";
            ++i;
        } else if (b == '\t') {
            out += "\\t";
            ++i;
        } else if (IsControl(b)) {
            AppendHex(out, b);
            ++i;
        } else if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
        } else {
            std::size_t length = 1;
            if (i + 1 < text.size() && codec::IsDoubleByte(text[i], text[i + 1]))
                length = 2;
            const std::string_view character = text.substr(i, length);
            std::string utf8;
            if (RoundTrips(character, utf8)) {
                out += utf8;
            } else {
                for (unsigned char c : character)
                    AppendHex(out, c);
            }
            i += length;
        }
    }
    return out;
}

void DumpSequence(const CBoxSequence& sequence, int level, std::string& out);

void DumpBox(const CProcessBox* box, int level, std::string& out)
{
    out.append(static_cast<std::size_t>(level * kIndentWidth), ' ');
    out += NameOf(box->Kind());
    out += " @" + std::to_string(box->m_x) + "," + std::to_string(box->m_y) + ","
        + std::to_string(box->m_width) + "x" + std::to_string(box->m_height);
    if (CanBeRaw(box->m_text)) {
        out += ": ";
        out += codec::Cp932ToUtf8(box->m_text);
    } else if (!box->m_text.empty()) {
        out += ":= \"";
        out += Escape(box->m_text);
        out += '"';
    }
    out += '\n';
    if (const auto* branch = dynamic_cast<const CBranchBox*>(box)) {
        const std::string armIndent(static_cast<std::size_t>((level + 1) * kIndentWidth), ' ');
        out += armIndent + "then\n";
        DumpSequence(branch->m_thenSeq, level + 2, out);
        out += armIndent + "else\n";
        DumpSequence(branch->m_elseSeq, level + 2, out);
    } else if (const auto* loop = dynamic_cast<const CPreTestLoopBox*>(box)) {
        DumpSequence(loop->m_bodySeq, level + 1, out);
    }
}

void DumpSequence(const CBoxSequence& sequence, int level, std::string& out)
{
    for (const auto& box : sequence.m_boxes)
        DumpBox(box.get(), level, out);
}

// One line of the outline that is not blank and not a comment.
struct Line {
    int number;
    int level;
    std::string_view content; // after the indentation, without line end
};

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimLeftSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

std::vector<Line> SplitLines(std::string_view text)
{
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.starts_with(kBom))
        text.remove_prefix(kBom.size());
    std::vector<Line> lines;
    int number = 0;
    while (!text.empty()) {
        ++number;
        // Lines end in LF, CR LF or a lone CR (old Mac editors): a file
        // with CR line ends is lines, not one long box text.
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        std::size_t consumed = end == std::string_view::npos ? text.size() : end + 1;
        if (end != std::string_view::npos && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++consumed;
        text.remove_prefix(consumed);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        if (line.substr(0, first).find('\t') != std::string_view::npos)
            throw COutlineError(number, "tab in indentation (indent with 2 spaces per level)");
        if (first % kIndentWidth != 0)
            throw COutlineError(number, "indentation of " + std::to_string(first)
                    + " spaces is not a multiple of 2");
        lines.push_back({ number, static_cast<int>(first / kIndentWidth), line.substr(first) });
    }
    return lines;
}

// True when `s` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t length;
        unsigned highest = 0xBF, secondLow = 0x80;
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0)
                secondLow = 0xA0;
            if (b == 0xED)
                highest = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0)
                secondLow = 0x90;
            if (b == 0xF4)
                highest = 0x8F;
        } else {
            return false;
        }
        if (i + length > s.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            const unsigned lowest = k == 1 ? secondLow : 0x80;
            const unsigned top = k == 1 ? highest : 0xBF;
            if (c < lowest || c > top)
                return false;
        }
        i += length;
    }
    return true;
}

std::string ToCp932(std::string_view utf8, int line)
{
    if (!IsValidUtf8(utf8))
        throw COutlineError(line, "invalid UTF-8");
    std::string bad;
    auto converted = codec::Utf8ToCp932(utf8, &bad);
    if (!converted)
        throw COutlineError(line, "the character '" + bad + "' cannot be stored in a box text (code page 932)");
    return *converted;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// quoted -> '"' { character | escape } '"' [blanks]
std::string ParseQuoted(std::string_view s, int line)
{
    if (s.empty() || s.front() != '"')
        throw COutlineError(line, "expected '\"' after ':='");
    s.remove_prefix(1);
    std::string text;
    std::size_t runStart = 0;
    std::size_t i = 0;
    auto flushRun = [&] {
        text += ToCp932(s.substr(runStart, i - runStart), line);
    };
    while (true) {
        if (i >= s.size())
            throw COutlineError(line, "missing closing '\"'");
        const char c = s[i];
        if (c == '"') {
            flushRun();
            if (!TrimRight(s.substr(i + 1)).empty())
                throw COutlineError(line, "unexpected text after the closing '\"'");
            return text;
        }
        if (c != '\\') {
            ++i;
            continue;
        }
        flushRun();
        if (i + 1 >= s.size())
            throw COutlineError(line, "missing closing '\"'");
        const char e = s[i + 1];
        std::size_t used = 2;
        switch (e) {
        case '\\': text += '\\'; break;
        case '"': text += '"'; break;
        case 'r': text += '\r'; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case 'x': {
            const int high = i + 2 < s.size() ? HexValue(s[i + 2]) : -1;
            const int low = i + 3 < s.size() ? HexValue(s[i + 3]) : -1;
            if (high < 0 || low < 0)
                throw COutlineError(line, "'\\x' needs two hexadecimal digits");
            text += static_cast<char>(high * 16 + low);
            used = 4;
            break;
        }
        default:
            throw COutlineError(line, "unknown escape '\\" + std::string(1, e) + "'");
        }
        i += used;
        runStart = i;
    }
}

bool ParseInt(std::string_view& s, int& value)
{
    const char* begin = s.data();
    const char* end = s.data() + s.size();
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr == begin)
        return false;
    s.remove_prefix(static_cast<std::size_t>(result.ptr - begin));
    return true;
}

bool Expect(std::string_view& s, char c)
{
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

struct BoxLine {
    const KindName* kind { nullptr };
    bool hasGeometry { false };
    int x { 0 }, y { 0 }, w { 0 }, h { 0 };
    std::string text;
};

// box -> KIND [ '@' X ',' Y ',' W 'x' H ] [ ':' ' ' TEXT | ':=' quoted ]
BoxLine ParseBoxLine(const Line& line)
{
    std::string_view s = line.content;
    std::size_t nameEnd = 0;
    while (nameEnd < s.size() && ((s[nameEnd] >= 'a' && s[nameEnd] <= 'z') || s[nameEnd] == '-'))
        ++nameEnd;
    const std::string_view name = s.substr(0, nameEnd);
    BoxLine box;
    for (const auto& k : kKindNames) {
        if (k.name == name)
            box.kind = &k;
    }
    if (box.kind == nullptr) {
        std::string shown(s.substr(0, s.find_first_of(" :@")));
        if (name == "then" || name == "else")
            throw COutlineError(line.number, "'" + std::string(name) + "' outside a branch");
        throw COutlineError(line.number, "unknown box kind '" + shown
                + "' (expected simple, branch, pre-loop, post-loop, output or input)");
    }
    s.remove_prefix(nameEnd);
    const std::string_view afterName = TrimLeftSpaces(s);
    if (!afterName.empty() && afterName.front() == '@') {
        if (afterName.size() == s.size())
            throw COutlineError(line.number, "expected a blank between the box kind and '@'");
        s = afterName.substr(1);
        if (!(ParseInt(s, box.x) && Expect(s, ',') && ParseInt(s, box.y) && Expect(s, ',')
                && ParseInt(s, box.w) && Expect(s, 'x') && ParseInt(s, box.h)))
            throw COutlineError(line.number, "bad geometry (expected @X,Y,WxH with 32-bit integers)");
        box.hasGeometry = true;
    }
    s = TrimLeftSpaces(s);
    if (s.empty())
        return box;
    if (s.starts_with(":=")) {
        box.text = ParseQuoted(TrimLeftSpaces(s.substr(2)), line.number);
        return box;
    }
    if (s.front() != ':')
        throw COutlineError(line.number, "expected ':' after the box kind");
    s.remove_prefix(1);
    if (s.empty())
        return box;
    if (s.front() != ' ')
        throw COutlineError(line.number, "expected a blank after ':'");
    box.text = ToCp932(s.substr(1), line.number);
    return box;
}

class COutlineBuilder {
public:
    explicit COutlineBuilder(std::vector<Line> lines)
        : m_lines(std::move(lines))
    {
    }

    void Build(CRootSequence& root)
    {
        BuildSequence(root, 0, 0);
        if (m_next < m_lines.size())
            Unexpected(m_lines[m_next]);
    }

private:
    const Line* Peek() const { return m_next < m_lines.size() ? &m_lines[m_next] : nullptr; }

    [[noreturn]] static void Unexpected(const Line& line)
    {
        if (IsArmLine(line))
            throw COutlineError(line.number, "'" + std::string(TrimRight(line.content)) + "' outside a branch");
        throw COutlineError(line.number, "unexpected indentation");
    }

    static bool IsArmLine(const Line& line)
    {
        const std::string_view word = TrimRight(line.content);
        return word == "then" || word == "else";
    }

    // Boxes at `level` until a line at a smaller level.
    void BuildSequence(CBoxSequence& sequence, int level, int depth)
    {
        while (const Line* line = Peek()) {
            if (line->level < level)
                return;
            if (line->level > level || IsArmLine(*line))
                Unexpected(*line);
            ++m_next;
            BoxLine parsed = ParseBoxLine(*line);
            CProcessBox* box = nullptr;
            if (parsed.hasGeometry) {
                box = sequence.m_boxes
                          .emplace_back(CBoxSequence::MakeBoxOfKind(static_cast<int>(parsed.kind->kind),
                              parsed.x, parsed.y, parsed.w, parsed.h))
                          .get();
            } else {
                // Placed as the kind's tool would insert it below the last box.
                sequence.InsertAt(static_cast<int>(sequence.m_boxes.size()), parsed.kind->tool, nullptr, nullptr);
                box = sequence.m_boxes.back().get();
            }
            box->m_text = std::move(parsed.text);

            if (auto* branch = dynamic_cast<CBranchBox*>(box)) {
                CheckDepth(*line, depth);
                BuildArms(*branch, level + 1, depth + 1);
            } else if (auto* loop = dynamic_cast<CPreTestLoopBox*>(box)) {
                CheckDepth(*line, depth);
                BuildSequence(loop->m_bodySeq, level + 1, depth + 1);
            } else if (const Line* next = Peek(); next && next->level > level) {
                throw COutlineError(next->number, "unexpected indentation: " + std::string(parsed.kind->name)
                        + " boxes hold no boxes");
            }
        }
    }

    void BuildArms(CBranchBox& branch, int armLevel, int depth)
    {
        bool seenElse = false;
        while (const Line* line = Peek()) {
            if (line->level < armLevel)
                return;
            if (line->level > armLevel)
                throw COutlineError(line->number, "unexpected indentation: a branch's boxes go under 'then' or 'else'");
            const std::string_view word = TrimRight(line->content);
            if (word == "then") {
                if (seenElse)
                    throw COutlineError(line->number, "'then' after 'else'");
                ++m_next;
                BuildSequence(branch.m_thenSeq, armLevel + 1, depth);
                // Only 'else' may follow now.
                const Line* after = Peek();
                if (after && after->level == armLevel && TrimRight(after->content) == "then")
                    throw COutlineError(after->number, "a second 'then' for one branch");
            } else if (word == "else") {
                if (seenElse)
                    throw COutlineError(line->number, "a second 'else' for one branch");
                seenElse = true;
                ++m_next;
                BuildSequence(branch.m_elseSeq, armLevel + 1, depth);
            } else {
                throw COutlineError(line->number, "expected 'then' or 'else' under a branch");
            }
        }
    }

    static void CheckDepth(const Line& line, int depth)
    {
        if (depth >= kMaxFileNesting)
            throw COutlineError(line.number, "nesting deeper than " + std::to_string(kMaxFileNesting) + " levels");
    }

    std::vector<Line> m_lines;
    std::size_t m_next { 0 };
};

} // namespace

COutlineError::COutlineError(int line, const std::string& message)
    : std::runtime_error(std::to_string(line) + ": " + message)
    , m_line(line)
    , m_message(message)
{
}

std::string DumpOutline(const CBoxSequence& root)
{
    std::string out;
    DumpSequence(root, 0, out);
    return out;
}

std::string DumpBoxOutline(const CProcessBox& box)
{
    std::string out;
    DumpBox(&box, 0, out);
    return out;
}

void BuildOutline(std::string_view outline, CRootSequence& root)
{
    COutlineBuilder(SplitLines(outline)).Build(root);
}

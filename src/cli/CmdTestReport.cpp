#include "cli/CmdTestReport.h"

#include "layout/CSvgDC.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace grade {

namespace {

struct KindText {
    ResultKind kind;
    std::string_view name;
    std::string_view symbol;
    std::string_view title;
};

constexpr std::array<KindText, 7> kKinds { {
    { ResultKind::Pass, "pass", "\u2713", "pass" },
    { ResultKind::Wrong, "wrong", "\u2717", "wrong output" },
    { ResultKind::Time, "time", "T", "time limit" },
    { ResultKind::Steps, "steps", "S", "step limit" },
    { ResultKind::Memory, "memory", "M", "memory limit" },
    { ResultKind::Error, "error", "E", "evaluation error" },
    { ResultKind::Input, "input", "I", "input ran out" },
} };

const KindText& TextOf(ResultKind kind)
{
    for (const auto& k : kKinds)
        if (k.kind == kind)
            return k;
    return kKinds[0];
}

std::string FormatDouble(double value, const char* format = "%.17g")
{
    // The C library's number formats follow the locale; this program never
    // sets one, so the C locale's point is what they write.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// ---- JSON -----------------------------------------------------------------

void JsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (unsigned char c : ValidUtf8(text)) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object } type { Type::Null };
    bool boolean { false };
    double number { 0 };
    std::string string;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    const JsonValue* Find(std::string_view key) const
    {
        for (const auto& [name, value] : members)
            if (name == key)
                return &value;
        return nullptr;
    }
};

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : m_text(text) { }

    JsonValue ParseDocument()
    {
        JsonValue value = Parse(0);
        Blank();
        if (m_pos != m_text.size())
            Fail("text after the report");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what)
    {
        throw std::runtime_error("not a test report (" + what + " at byte " + std::to_string(m_pos) + ")");
    }

    void Blank()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }

    bool Literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }

    JsonValue Parse(int depth)
    {
        if (depth > 64)
            Fail("nesting too deep");
        Blank();
        if (m_pos >= m_text.size())
            Fail("unexpected end");
        JsonValue value;
        const char c = m_text[m_pos];
        if (c == '{') {
            value.type = JsonValue::Type::Object;
            ++m_pos;
            Blank();
            if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                ++m_pos;
                return value;
            }
            for (;;) {
                Blank();
                if (m_pos >= m_text.size() || m_text[m_pos] != '"')
                    Fail("a member name expected");
                std::string key = String();
                Blank();
                if (m_pos >= m_text.size() || m_text[m_pos] != ':')
                    Fail("':' expected");
                ++m_pos;
                value.members.emplace_back(std::move(key), Parse(depth + 1));
                Blank();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                    ++m_pos;
                    return value;
                }
                Fail("',' or '}' expected");
            }
        }
        if (c == '[') {
            value.type = JsonValue::Type::Array;
            ++m_pos;
            Blank();
            if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                ++m_pos;
                return value;
            }
            for (;;) {
                value.items.push_back(Parse(depth + 1));
                Blank();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                    ++m_pos;
                    return value;
                }
                Fail("',' or ']' expected");
            }
        }
        if (c == '"') {
            value.type = JsonValue::Type::String;
            value.string = String();
            return value;
        }
        if (Literal("true")) {
            value.type = JsonValue::Type::Bool;
            value.boolean = true;
            return value;
        }
        if (Literal("false")) {
            value.type = JsonValue::Type::Bool;
            return value;
        }
        if (Literal("null"))
            return value;
        value.type = JsonValue::Type::Number;
        const char* begin = m_text.data() + m_pos;
        auto [end, ec] = std::from_chars(begin, m_text.data() + m_text.size(), value.number);
        if (ec != std::errc {} || end == begin)
            Fail("a value expected");
        m_pos += static_cast<std::size_t>(end - begin);
        return value;
    }

    unsigned Hex4()
    {
        if (m_pos + 4 > m_text.size())
            Fail("bad \\u escape");
        unsigned v = 0;
        auto [end, ec] = std::from_chars(m_text.data() + m_pos, m_text.data() + m_pos + 4, v, 16);
        if (ec != std::errc {} || end != m_text.data() + m_pos + 4)
            Fail("bad \\u escape");
        m_pos += 4;
        return v;
    }

    static void Utf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string String()
    {
        ++m_pos; // the opening quote
        std::string out;
        for (;;) {
            if (m_pos >= m_text.size())
                Fail("unterminated string");
            const char c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                Fail("unterminated string");
            const char e = m_text[m_pos++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned cp = Hex4();
                if (cp >= 0xD800 && cp < 0xDC00 && Literal("\\u")) {
                    const unsigned low = Hex4();
                    cp = (low >= 0xDC00 && low < 0xE000) ? 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00) : 0xFFFD;
                } else if (cp >= 0xD800 && cp < 0xE000) {
                    cp = 0xFFFD;
                }
                Utf8(out, cp);
                break;
            }
            default:
                Fail("bad escape");
            }
        }
    }

    std::string_view m_text;
    std::size_t m_pos { 0 };
};

const JsonValue& Member(const JsonValue& object, std::string_view key, JsonValue::Type type)
{
    const JsonValue* value = object.Find(key);
    if (!value || value->type != type)
        throw std::runtime_error("not a test report (member \"" + std::string(key) + "\" missing or of the wrong type)");
    return *value;
}

std::string OptionalString(const JsonValue& object, std::string_view key)
{
    const JsonValue* value = object.Find(key);
    return value && value->type == JsonValue::Type::String ? value->string : std::string();
}

double OptionalNumber(const JsonValue& object, std::string_view key)
{
    const JsonValue* value = object.Find(key);
    return value && value->type == JsonValue::Type::Number ? value->number : 0.0;
}

constexpr std::string_view kFormatName = "tavrin-test-report";

// ---- text helpers -----------------------------------------------------------

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string CsvField(std::string_view text)
{
    const std::string valid = ValidUtf8(text);
    if (valid.find_first_of(",\"\r\n") == std::string::npos)
        return valid;
    std::string out = "\"";
    for (char c : valid) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Html(std::string_view text)
{
    return XmlEscape(ValidUtf8(text));
}

std::string Anchor(std::size_t index)
{
    return "chart-" + std::to_string(index + 1);
}

// A line diff: the common lines kept, the others marked. Long outputs are
// cut, and the middle of very different texts shown as one replacement.
std::string LineDiffHtml(std::string_view expected, std::string_view actual)
{
    constexpr std::size_t kMaxLines = 500;
    constexpr std::size_t kMaxCells = 4'000'000;
    auto a = SplitLines(expected);
    auto b = SplitLines(actual);
    bool cut = false;
    if (a.size() > kMaxLines) {
        a.resize(kMaxLines);
        cut = true;
    }
    if (b.size() > kMaxLines) {
        b.resize(kMaxLines);
        cut = true;
    }
    std::size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const std::size_t n = a.size() - prefix - suffix;
    const std::size_t m = b.size() - prefix - suffix;
    std::string out = "<pre class=\"diff\">";
    auto same = [&](std::string_view line) { out += "<span class=\"same\">  " + Html(line) + "</span>\n"; };
    auto gone = [&](std::string_view line) { out += "<span class=\"del\">- " + Html(line) + "</span>\n"; };
    auto added = [&](std::string_view line) { out += "<span class=\"add\">+ " + Html(line) + "</span>\n"; };
    for (std::size_t i = 0; i < prefix; ++i)
        same(a[i]);
    if ((n + 1) * (m + 1) <= kMaxCells) {
        // Longest common subsequence of the middle parts.
        std::vector<std::uint32_t> table((n + 1) * (m + 1), 0);
        auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return table[i * (m + 1) + j]; };
        for (std::size_t i = n; i-- > 0;)
            for (std::size_t j = m; j-- > 0;)
                at(i, j) = a[prefix + i] == b[prefix + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
        std::size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[prefix + i] == b[prefix + j]) {
                same(a[prefix + i]);
                ++i, ++j;
            } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
                gone(a[prefix + i++]); // what was expected comes before what came instead
            } else {
                added(b[prefix + j++]);
            }
        }
    } else {
        for (std::size_t i = 0; i < n; ++i)
            gone(a[prefix + i]);
        for (std::size_t j = 0; j < m; ++j)
            added(b[prefix + j]);
    }
    for (std::size_t i = a.size() - suffix; i < a.size(); ++i)
        same(a[i]);
    if (cut)
        out += "<span class=\"note\">(only the first " + std::to_string(kMaxLines) + " lines are compared here)</span>\n";
    if (!expected.empty() && !actual.empty() && expected.back() != actual.back() && (expected.back() == '\n' || actual.back() == '\n'))
        out += "<span class=\"note\">(the outputs differ in the line end after the last line)</span>\n";
    out += "</pre>";
    return out;
}

} // namespace

std::string_view KindName(ResultKind kind)
{
    return TextOf(kind).name;
}

std::optional<ResultKind> KindFromName(std::string_view name)
{
    for (const auto& k : kKinds)
        if (k.name == name)
            return k.kind;
    return std::nullopt;
}

std::string_view KindSymbol(ResultKind kind)
{
    return TextOf(kind).symbol;
}

std::string_view KindTitle(ResultKind kind)
{
    return TextOf(kind).title;
}

std::string ValidUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        unsigned cp = 0;
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            length = 2, cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, cp = b & 0x07;
        }
        bool good = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; good && k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            good = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (good)
            good = !(length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) && !(length == 4 && (cp < 0x10000 || cp > 0x10FFFF));
        if (good) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

int ChartReport::Passed() const
{
    return static_cast<int>(std::count_if(results.begin(), results.end(), [](const CaseResult& r) { return r.kind == ResultKind::Pass; }));
}

bool ChartReport::AllPassed() const
{
    if (!loadError.empty())
        return false;
    for (const auto& r : requirements)
        if (!r.met)
            return false;
    return Passed() == static_cast<int>(results.size());
}

bool Report::AllPassed() const
{
    return std::all_of(charts.begin(), charts.end(), [](const ChartReport& c) { return c.AllPassed(); });
}

std::string WriteJson(const Report& report)
{
    std::string out = "{\n  \"format\": ";
    JsonString(out, kFormatName);
    out += ",\n  \"version\": 1,\n  \"compare\": ";
    JsonString(out, report.compare);
    out += ",\n  \"tolerance\": " + FormatDouble(report.tolerance) + ",\n  \"requirements\": [";
    for (std::size_t i = 0; i < report.requirements.size(); ++i) {
        out += i ? ", " : "";
        JsonString(out, report.requirements[i]);
    }
    out += "],\n  \"cases\": [";
    for (std::size_t i = 0; i < report.cases.size(); ++i) {
        const auto& c = report.cases[i];
        out += i ? ",\n    {" : "\n    {";
        out += "\"name\": ";
        JsonString(out, c.name);
        out += ", \"input\": ";
        JsonString(out, c.input);
        out += ", \"expected\": ";
        JsonString(out, c.expected);
        out += "}";
    }
    out += "\n  ],\n  \"charts\": [";
    for (std::size_t i = 0; i < report.charts.size(); ++i) {
        const auto& chart = report.charts[i];
        out += i ? ",\n    {" : "\n    {";
        out += "\"path\": ";
        JsonString(out, chart.path);
        if (!chart.loadError.empty()) {
            out += ", \"error\": ";
            JsonString(out, chart.loadError);
        }
        out += ", \"passed\": " + std::to_string(chart.Passed()) + ", \"cases\": " + std::to_string(chart.results.size());
        out += ", \"structure\": ";
        JsonString(out, chart.structure);
        out += ",\n      \"requirements\": [";
        for (std::size_t k = 0; k < chart.requirements.size(); ++k) {
            const auto& r = chart.requirements[k];
            out += k ? ", {" : "{";
            out += "\"name\": ";
            JsonString(out, r.name);
            out += ", \"need\": " + std::to_string(r.need) + ", \"have\": " + std::to_string(r.have) + ", \"met\": " + (r.met ? "true" : "false") + "}";
        }
        out += "],\n      \"results\": [";
        for (std::size_t k = 0; k < chart.results.size(); ++k) {
            const auto& r = chart.results[k];
            out += k ? ",\n        {" : "\n        {";
            out += "\"case\": ";
            JsonString(out, k < report.cases.size() ? report.cases[k].name : std::string());
            out += ", \"result\": ";
            JsonString(out, KindName(r.kind));
            out += ", \"seconds\": " + FormatDouble(r.seconds, "%.6f") + ", \"steps\": " + std::to_string(r.steps);
            out += ", \"reason\": ";
            JsonString(out, r.reason);
            if (!r.boxPath.empty()) {
                out += ", \"box_path\": ";
                JsonString(out, r.boxPath);
                out += ", \"outline_line\": " + std::to_string(r.outlineLine);
            }
            if (r.kind != ResultKind::Pass) {
                out += ", \"output\": ";
                JsonString(out, r.output);
            }
            out += "}";
        }
        out += chart.results.empty() ? "],\n      \"svg\": " : "\n      ],\n      \"svg\": ";
        JsonString(out, chart.svg);
        out += "}";
    }
    out += "\n  ]\n}\n";
    return out;
}

Report ReadJson(std::string_view text)
{
    using T = JsonValue::Type;
    const JsonValue root = JsonParser(text).ParseDocument();
    if (root.type != T::Object || OptionalString(root, "format") != kFormatName)
        throw std::runtime_error("not a test report of tavrin-cli test");
    if (OptionalNumber(root, "version") != 1)
        throw std::runtime_error("a test report of an unknown version");
    Report report;
    report.compare = Member(root, "compare", T::String).string;
    report.tolerance = Member(root, "tolerance", T::Number).number;
    for (const auto& r : Member(root, "requirements", T::Array).items)
        report.requirements.push_back(r.string);
    for (const auto& c : Member(root, "cases", T::Array).items)
        report.cases.push_back({ Member(c, "name", T::String).string, OptionalString(c, "input"), OptionalString(c, "expected") });
    for (const auto& c : Member(root, "charts", T::Array).items) {
        ChartReport chart;
        chart.path = Member(c, "path", T::String).string;
        chart.loadError = OptionalString(c, "error");
        chart.svg = OptionalString(c, "svg");
        chart.structure = OptionalString(c, "structure");
        for (const auto& r : Member(c, "requirements", T::Array).items) {
            const JsonValue* met = r.Find("met");
            chart.requirements.push_back({ Member(r, "name", T::String).string, static_cast<long>(OptionalNumber(r, "need")),
                static_cast<long>(OptionalNumber(r, "have")), met && met->type == T::Bool && met->boolean });
        }
        for (const auto& r : Member(c, "results", T::Array).items) {
            CaseResult result;
            const auto kind = KindFromName(Member(r, "result", T::String).string);
            if (!kind)
                throw std::runtime_error("not a test report (unknown result \"" + Member(r, "result", T::String).string + "\")");
            result.kind = *kind;
            result.seconds = OptionalNumber(r, "seconds");
            result.steps = static_cast<std::uint64_t>(OptionalNumber(r, "steps"));
            result.reason = OptionalString(r, "reason");
            result.boxPath = OptionalString(r, "box_path");
            result.outlineLine = static_cast<int>(OptionalNumber(r, "outline_line"));
            result.output = OptionalString(r, "output");
            chart.results.push_back(std::move(result));
        }
        if (chart.loadError.empty() && chart.results.size() != report.cases.size())
            throw std::runtime_error("not a test report (chart " + chart.path + " has results for other cases)");
        report.charts.push_back(std::move(chart));
    }
    return report;
}

Report MergeReports(std::vector<Report> parts)
{
    if (parts.empty())
        throw std::runtime_error("no reports to merge");
    Report merged = std::move(parts.front());
    auto sameCases = [](const Report& a, const Report& b) {
        if (a.cases.size() != b.cases.size())
            return false;
        for (std::size_t i = 0; i < a.cases.size(); ++i)
            if (a.cases[i].name != b.cases[i].name || a.cases[i].input != b.cases[i].input || a.cases[i].expected != b.cases[i].expected)
                return false;
        return true;
    };
    for (std::size_t i = 1; i < parts.size(); ++i) {
        Report& part = parts[i];
        if (!sameCases(merged, part))
            throw std::runtime_error("the reports were made with different cases");
        if (part.compare != merged.compare || part.tolerance != merged.tolerance || part.requirements != merged.requirements)
            throw std::runtime_error("the reports were made with different comparisons or requirements");
        for (auto& chart : part.charts)
            merged.charts.push_back(std::move(chart));
    }
    std::stable_sort(merged.charts.begin(), merged.charts.end(), [](const ChartReport& a, const ChartReport& b) { return a.path < b.path; });
    for (std::size_t i = 1; i < merged.charts.size(); ++i)
        if (merged.charts[i].path == merged.charts[i - 1].path)
            throw std::runtime_error("the chart " + merged.charts[i].path + " is in more than one report");
    return merged;
}

std::string WriteCsv(const Report& report)
{
    std::string out = "chart,case,result,seconds,steps,reason,box_path\n";
    for (const auto& chart : report.charts) {
        if (!chart.loadError.empty()) {
            out += CsvField(chart.path) + ",,unreadable,,," + CsvField(chart.loadError) + ",\n";
            continue;
        }
        for (std::size_t k = 0; k < chart.results.size(); ++k) {
            const auto& r = chart.results[k];
            out += CsvField(chart.path) + "," + CsvField(report.cases[k].name) + "," + std::string(KindName(r.kind)) + ","
                + FormatDouble(r.seconds, "%.6f") + "," + std::to_string(r.steps) + "," + CsvField(r.reason) + "," + CsvField(r.boxPath) + "\n";
        }
        for (const auto& req : chart.requirements)
            out += CsvField(chart.path) + "," + CsvField("requirement " + req.name) + "," + (req.met ? "pass" : "fail") + ",,,"
                + CsvField("has " + std::to_string(req.have)) + ",\n";
    }
    return out;
}

std::string WriteJunit(const Report& report)
{
    int tests = 0, failures = 0, errors = 0;
    double total = 0;
    std::string suites;
    for (const auto& chart : report.charts) {
        int suiteTests = 0, suiteFailures = 0, suiteErrors = 0;
        double suiteTime = 0;
        std::string cases;
        const std::string name = XmlEscape(ValidUtf8(chart.path));
        if (!chart.loadError.empty()) {
            suiteTests = 1, suiteErrors = 1;
            cases += "    <testcase classname=\"" + name + "\" name=\"load\" time=\"0\"><error message=\"" + Html(chart.loadError)
                + "\" type=\"unreadable\"/></testcase>\n";
        }
        for (std::size_t k = 0; k < chart.results.size(); ++k) {
            const auto& r = chart.results[k];
            ++suiteTests;
            suiteTime += r.seconds;
            cases += "    <testcase classname=\"" + name + "\" name=\"" + Html(report.cases[k].name) + "\" time=\"" + FormatDouble(r.seconds, "%.6f") + "\"";
            if (r.kind == ResultKind::Pass) {
                cases += "/>\n";
                continue;
            }
            ++suiteFailures;
            std::string message = std::string(KindTitle(r.kind)) + (r.reason.empty() ? "" : ": " + r.reason);
            if (!r.boxPath.empty())
                message += " (box " + r.boxPath + ")";
            cases += "><failure message=\"" + Html(message) + "\" type=\"" + std::string(KindName(r.kind)) + "\">" + Html(r.output)
                + "</failure></testcase>\n";
        }
        for (const auto& req : chart.requirements) {
            ++suiteTests;
            cases += "    <testcase classname=\"" + name + "\" name=\"requirement " + Html(req.name) + "\" time=\"0\"";
            if (req.met) {
                cases += "/>\n";
            } else {
                ++suiteFailures;
                cases += "><failure message=\"has " + std::to_string(req.have) + "\" type=\"requirement\"/></testcase>\n";
            }
        }
        tests += suiteTests, failures += suiteFailures, errors += suiteErrors, total += suiteTime;
        suites += "  <testsuite name=\"" + name + "\" tests=\"" + std::to_string(suiteTests) + "\" failures=\"" + std::to_string(suiteFailures)
            + "\" errors=\"" + std::to_string(suiteErrors) + "\" time=\"" + FormatDouble(suiteTime, "%.6f") + "\">\n" + cases + "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"tavrin-cli test\" tests=\"" + std::to_string(tests) + "\" failures=\""
        + std::to_string(failures) + "\" errors=\"" + std::to_string(errors) + "\" time=\"" + FormatDouble(total, "%.6f") + "\">\n" + suites
        + "</testsuites>\n";
}

namespace {

std::string Score(const ChartReport& chart, std::size_t cases)
{
    if (!chart.loadError.empty())
        return "-";
    return std::to_string(chart.Passed()) + "/" + std::to_string(cases);
}

std::string RequirementSummary(const ChartReport& chart)
{
    std::string out;
    for (const auto& r : chart.requirements) {
        out += out.empty() ? "" : " ";
        out += r.name + (r.met ? " ok" : " FAILED(" + std::to_string(r.have) + ")");
    }
    return out;
}

// Terminal columns of UTF-8 text; every character counts as one, which is
// right for the paths and symbols this table shows.
std::size_t Columns(std::string_view text)
{
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::string Pad(std::string text, std::size_t width)
{
    const std::size_t columns = Columns(text);
    if (columns < width)
        text.append(width - columns, ' ');
    return text;
}

} // namespace

std::string WriteTable(const Report& report)
{
    const std::size_t cases = report.cases.size();
    std::size_t pathWidth = 5;
    for (const auto& chart : report.charts)
        pathWidth = std::max(pathWidth, Columns(ValidUtf8(chart.path)));
    // A column per case, numbered; the names follow in the per-case lines.
    std::vector<std::size_t> widths;
    std::string out = Pad("chart", pathWidth) + " ";
    for (std::size_t k = 0; k < cases; ++k) {
        const std::string number = std::to_string(k + 1);
        widths.push_back(number.size());
        out += " " + number;
    }
    out += "  score";
    if (!report.requirements.empty())
        out += "  requirements";
    out += "\n";
    for (const auto& chart : report.charts) {
        out += Pad(ValidUtf8(chart.path), pathWidth) + " ";
        if (!chart.loadError.empty()) {
            out += " " + ValidUtf8(chart.loadError) + "\n";
            continue;
        }
        for (std::size_t k = 0; k < cases; ++k)
            out += " " + Pad(std::string(KindSymbol(chart.results[k].kind)), widths[k]);
        out += "  " + Pad(Score(chart, cases), 5);
        if (!chart.requirements.empty())
            out += "  " + RequirementSummary(chart);
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        out += "\n";
    }
    out += "\n";
    for (std::size_t k = 0; k < cases; ++k) {
        int passed = 0, graded = 0;
        for (const auto& chart : report.charts) {
            if (!chart.loadError.empty())
                continue;
            ++graded;
            passed += chart.results[k].kind == ResultKind::Pass;
        }
        out += "case " + std::to_string(k + 1) + " " + ValidUtf8(report.cases[k].name) + ": " + std::to_string(passed) + "/" + std::to_string(graded)
            + " charts passed\n";
    }
    int passedCharts = 0;
    for (const auto& chart : report.charts)
        passedCharts += chart.AllPassed();
    out += std::to_string(passedCharts) + " of " + std::to_string(report.charts.size()) + " charts passed every case"
        + (report.requirements.empty() ? "" : " and requirement") + "\n";
    return out;
}

std::string WriteHtml(const Report& report)
{
    const std::size_t cases = report.cases.size();
    // Charts of the same structure, by first appearance.
    std::map<std::string, std::vector<std::size_t>> byStructure;
    for (std::size_t i = 0; i < report.charts.size(); ++i)
        if (report.charts[i].loadError.empty() && !report.charts[i].structure.empty())
            byStructure[report.charts[i].structure].push_back(i);

    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>Test report</title>\n<style>\n"
                      "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
                      "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:2px 6px;text-align:center}\n"
                      "td.path{text-align:left}.pass{background:#d8f5d8}.fail{background:#f8d8d8}\n"
                      "pre{background:#f6f6f6;padding:6px;overflow:auto;max-height:24em}\n"
                      ".diff .del{color:#a00}.diff .add{color:#070}.diff .same{color:#666}.note{color:#888}\n"
                      "section.chart{border-top:2px solid #ccc;margin-top:1.5em}\n"
                      "</style>\n</head>\n<body>\n<h1>Test report</h1>\n";
    int passedCharts = 0;
    for (const auto& chart : report.charts)
        passedCharts += chart.AllPassed();
    out += "<p>" + std::to_string(report.charts.size()) + " charts, " + std::to_string(cases) + " cases, comparison " + Html(report.compare)
        + (report.compare == "numbers" ? " (tolerance " + FormatDouble(report.tolerance, "%g") + ")" : "") + "; "
        + std::to_string(passedCharts) + " charts passed everything.</p>\n";

    out += "<table>\n<tr><th>chart</th>";
    for (std::size_t k = 0; k < cases; ++k)
        out += "<th title=\"" + Html(report.cases[k].name) + "\">" + Html(report.cases[k].name) + "</th>";
    out += "<th>score</th>";
    if (!report.requirements.empty())
        out += "<th>requirements</th>";
    out += "</tr>\n";
    for (std::size_t i = 0; i < report.charts.size(); ++i) {
        const auto& chart = report.charts[i];
        out += "<tr><td class=\"path\"><a href=\"#" + Anchor(i) + "\">" + Html(chart.path) + "</a></td>";
        if (!chart.loadError.empty()) {
            out += "<td class=\"fail\" colspan=\"" + std::to_string(cases + 1) + "\">" + Html(chart.loadError) + "</td>";
        } else {
            for (const auto& r : chart.results)
                out += std::string("<td class=\"") + (r.kind == ResultKind::Pass ? "pass" : "fail") + "\" title=\"" + Html(KindTitle(r.kind)) + "\">"
                    + std::string(KindSymbol(r.kind)) + "</td>";
            out += "<td>" + Score(chart, cases) + "</td>";
        }
        if (!report.requirements.empty())
            out += "<td>" + Html(RequirementSummary(chart)) + "</td>";
        out += "</tr>\n";
    }
    out += "<tr><th>passed</th>";
    for (std::size_t k = 0; k < cases; ++k) {
        int passed = 0;
        for (const auto& chart : report.charts)
            passed += chart.loadError.empty() && chart.results[k].kind == ResultKind::Pass;
        out += "<th>" + std::to_string(passed) + "</th>";
    }
    out += "</tr>\n</table>\n";
    out += "<p>Results: \u2713 pass, \u2717 wrong output, T time limit, S step limit, M memory limit, E evaluation error, I input ran out.</p>\n";

    std::string copies;
    for (const auto& [structure, members] : byStructure) {
        if (members.size() < 2)
            continue;
        copies += "<li>";
        for (std::size_t k = 0; k < members.size(); ++k)
            copies += (k ? ", " : "") + std::string("<a href=\"#") + Anchor(members[k]) + "\">" + Html(report.charts[members[k]].path) + "</a>";
        copies += "</li>\n";
    }
    if (!copies.empty())
        out += "<h2>Charts with the same structure</h2>\n<p>Same tree of boxes with the same texts, blanks ignored.</p>\n<ul>\n" + copies + "</ul>\n";

    for (std::size_t i = 0; i < report.charts.size(); ++i) {
        const auto& chart = report.charts[i];
        out += "<section class=\"chart\" id=\"" + Anchor(i) + "\">\n<h2>" + Html(chart.path) + " \u2014 " + Score(chart, cases) + "</h2>\n";
        if (!chart.loadError.empty()) {
            out += "<p>Cannot be read: " + Html(chart.loadError) + "</p>\n</section>\n";
            continue;
        }
        const auto group = byStructure.find(chart.structure);
        if (group != byStructure.end() && group->second.size() > 1) {
            out += "<p>Same structure as: ";
            bool first = true;
            for (std::size_t other : group->second) {
                if (other == i)
                    continue;
                out += (first ? "" : ", ") + std::string("<a href=\"#") + Anchor(other) + "\">" + Html(report.charts[other].path) + "</a>";
                first = false;
            }
            out += "</p>\n";
        }
        for (const auto& r : chart.requirements)
            if (!r.met)
                out += "<p class=\"fail\">Requirement " + Html(r.name) + " not met: has " + std::to_string(r.have) + ".</p>\n";
        out += "<div class=\"picture\">" + chart.svg + "</div>\n";
        for (std::size_t k = 0; k < chart.results.size(); ++k) {
            const auto& r = chart.results[k];
            if (r.kind == ResultKind::Pass)
                continue;
            out += "<h3>" + Html(report.cases[k].name) + ": " + Html(KindTitle(r.kind)) + "</h3>\n";
            if (!r.reason.empty())
                out += "<p>" + Html(r.reason) + "</p>\n";
            if (!r.boxPath.empty())
                out += "<p>Failing box: <code>" + Html(r.boxPath) + "</code> (line " + std::to_string(r.outlineLine) + " of <code>tavrin-cli dump</code>)</p>\n";
            out += "<p>Input:</p><pre>" + Html(report.cases[k].input) + "</pre>\n<p>Expected (-) and actual (+) output:</p>"
                + LineDiffHtml(report.cases[k].expected, r.output) + "\n";
        }
        out += "</section>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

} // namespace grade

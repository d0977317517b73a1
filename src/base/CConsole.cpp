#include "base/CConsole.h"

#include <charconv>
#include <cmath>

std::atomic<int> g_running { 0 };

namespace {

// Console texts are NUL-terminated: a box text holding a NUL byte ends there,
// for the run (whose tokens end there too) and for generated code alike, and
// no raw NUL reaches the device.
std::string_view UpToNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

} // namespace

void CConsole::Write(std::string_view text)
{
    text = UpToNul(text);
    if (text.empty())
        return;
    // Backslash-n and backslash-t become a line feed and a tab. The scan is
    // byte by byte, so a double-byte character whose second byte is a
    // backslash converts like one; there is no escape for the backslash.
    std::string converted;
    converted.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
            converted += text[i + 1] == 'n' ? '\n' : '\t';
            ++i;
        } else {
            converted += text[i];
        }
    }
    Output(converted);
}

void CConsole::WriteRaw(std::string_view text)
{
    text = UpToNul(text);
    if (!text.empty())
        Output(text);
}

void CConsole::WriteNumber(double value) { Output(FormatNumber(value)); }

void CConsole::NewLine() { Output("\n"); }

void CConsole::Indent(int level)
{
    for (int i = 0; i < level; ++i)
        Write("    ");
}

std::string CConsole::ReadLine()
{
    std::string line;
    if (!Input(line))
        return {};
    return line;
}

void CConsole::Finish()
{
    Output(kExitPrompt);
    std::string ignored;
    Input(ignored);
}

void CConsole::ReportRunStop(std::string_view message)
{
    WriteRaw(message);
    NewLine();
}

std::string FormatNumber(double value)
{
    std::string text;
    if (std::isnan(value)) {
        text = std::signbit(value) ? "-nan" : "nan"; // as glibc's "%lf" writes them
    } else if (std::isinf(value)) {
        text = value < 0 ? "-inf" : "inf";
    } else {
        // Fixed notation with six decimals, as "%lf" writes it in the C locale;
        // the largest double needs 309 digits before the point.
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
        text.assign(buffer, result.ptr);
    }
    // Trailing zeros go, and the point with them when nothing is left after
    // it. A text that does not end in '0' is kept whole.
    if (!text.empty() && text.back() == '0') {
        text.pop_back();
        while (!text.empty()) {
            if (text.back() == '.') {
                text.pop_back();
                break;
            }
            if (text.back() != '0')
                break;
            text.pop_back();
        }
    }
    return text;
}

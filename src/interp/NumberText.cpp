#include "interp/NumberText.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

locale_t CLocale()
{
    // Created once and kept for the life of the program.
    static const locale_t s_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return s_locale;
}

// Switches the calling thread to the "C" locale for its lifetime.
class CScopedCLocale {
public:
    CScopedCLocale() : m_previous(uselocale(CLocale())) {}
    ~CScopedCLocale() { uselocale(m_previous); }
    CScopedCLocale(const CScopedCLocale&) = delete;
    CScopedCLocale& operator=(const CScopedCLocale&) = delete;

private:
    locale_t m_previous;
};

} // namespace

double ParseLeadingNumber(const std::string& text)
{
    return strtod_l(text.c_str(), nullptr, CLocale());
}

std::string FormatDouble(const char* format, double value)
{
    CScopedCLocale scope;
    char small[128];
    const int length = std::snprintf(small, sizeof small, format, value);
    if (length < 0)
        return {};
    if (static_cast<std::size_t>(length) < sizeof small)
        return std::string(small, static_cast<std::size_t>(length));
    std::string result(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(result.data(), result.size(), format, value);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

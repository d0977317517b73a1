#pragma once
// The one conversion of the system's UTF-8 texts into QString.

#include <QString>

#include <string_view>

namespace ui {

inline QString QtText(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace ui

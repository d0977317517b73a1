#pragma once
// The one conversion of the system's UTF-8 texts into QString, and the one
// way a desktop text reaches the screen in the language the user chose.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <string_view>

namespace ui {

inline QString QtText(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Every desktop text is translated in this one context; the translation
// files (res/translations/*.ts) list their messages under it.
inline constexpr const char* kTextContext = "Tavrin";

// A desktop text (menus, prompts, dialogs) in the chosen language. The
// Japanese text is itself the key of its translation, so with no
// translation installed it is shown exactly as written. The console's
// texts and the interpreter's messages belong to the chart's behaviour and
// are shown with QtText instead, the same in every language.
inline QString Tr(std::string_view japanese)
{
    // The key must end with a NUL, which a string_view need not have.
    const QByteArray key(japanese.data(), static_cast<qsizetype>(japanese.size()));
    return QCoreApplication::translate(kTextContext, key.constData());
}

} // namespace ui

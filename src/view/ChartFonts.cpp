#include "view/ChartFonts.h"

#include <QStringList>

namespace chartfonts {

QFont BoxTextFont()
{
    QFont font;
    // The first family that is installed wins; the generic sans-serif family
    // lets fontconfig find any font with the missing glyphs.
    font.setFamilies({
        QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("Noto Sans JP"),
        QStringLiteral("IPAexGothic"),
        QStringLiteral("IPAGothic"),
        QStringLiteral("VL Gothic"),
        QStringLiteral("TakaoGothic"),
        QStringLiteral("sans-serif"),
    });
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    return font;
}

} // namespace chartfonts

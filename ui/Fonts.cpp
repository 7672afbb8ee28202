#include "ui/Fonts.h"

#include <QStringList>

namespace ui {

QFont gothicFont(double points, bool bold)
{
    static const QStringList families = {
        QStringLiteral("ＭＳ ゴシック"),
        QStringLiteral("MS Gothic"),
        QStringLiteral("IPAGothic"),
        QStringLiteral("IPAゴシック"),
        QStringLiteral("Noto Sans Mono CJK JP"),
        QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("VL Gothic"),
        QStringLiteral("TakaoGothic"),
        QStringLiteral("IPAPGothic"),
    };
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace ui

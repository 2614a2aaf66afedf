#include "desktop/Fonts.h"

#include <QStringList>

QFont FormFont(const QString &family, int height, bool bold) {
    QFont font;
    font.setFamilies(QStringList{family, QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                 QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    if (height < 0)
        font.setPixelSize(-height);
    else if (height > 0)
        font.setPointSize(height);
    font.setBold(bold);
    return font;
}

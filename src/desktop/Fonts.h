#pragma once
// Fonts as the windows name them. The faces they were drawn with ("Tahoma", "MS Sans Serif")
// are rare on Linux and fontconfig's usual stand-in is much wider, so faces of similar width
// are asked for next.

#include <QFont>
#include <QString>

// A negative height is a pixel size, a positive one a point size.
QFont FormFont(const QString &family, int height, bool bold = false);

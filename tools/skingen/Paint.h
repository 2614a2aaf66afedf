#pragma once
// Drawing helpers of the skin generator: the palette, text set from font files as outlines, the
// button looks and the icon set. Everything here draws with paths on the raster engine, so the
// pictures do not depend on the fonts or settings of the machine that builds them.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <map>
#include <utility>

namespace pal {
// The chrome (title bands, clip tray, player card) is dark; the bodies that carry the windows'
// black labels are light. One accent colour marks what the user acts on.
inline const QColor chrome{0x1E, 0x26, 0x30};
inline const QColor chromeHover{0x34, 0x40, 0x50};
inline const QColor chromeDown{0x14, 0x1A, 0x21};
inline const QColor tray{0x27, 0x30, 0x3B};
inline const QColor trayRaised{0x33, 0x3E, 0x4B};
inline const QColor trayLine{0x3F, 0x4B, 0x59};
inline const QColor trayDeep{0x18, 0x1F, 0x27};
inline const QColor body{0xF2, 0xF4, 0xF7};
inline const QColor card{0xFF, 0xFF, 0xFF};
inline const QColor cardLine{0xD3, 0xD9, 0xE1};
inline const QColor frame{0x5A, 0x65, 0x72};
inline const QColor text{0x1C, 0x25, 0x30};
inline const QColor textMuted{0x5F, 0x6B, 0x79};
inline const QColor textOnDark{0xEC, 0xF0, 0xF5};
inline const QColor textOnDarkMuted{0x9A, 0xA6, 0xB4};
inline const QColor accent{0x2B, 0x7B, 0xD6};
inline const QColor accentHover{0x42, 0x90, 0xEA};
inline const QColor accentDown{0x1D, 0x60, 0xAE};
inline const QColor accentLight{0x8F, 0xBF, 0xF4};
inline const QColor accentSoft{0xE4, 0xEF, 0xFC};
// The keyboard's focus mark: amber, unlike the accent of a selection.
inline const QColor focus{0xFF, 0xB0, 0x00};
inline const QColor danger{0xD2, 0x3F, 0x3B};
inline const QColor dangerDown{0xA8, 0x2E, 0x2B};
inline const QColor magenta{0xFF, 0x00, 0xFF};
} // namespace pal

// Text from the two DejaVu Sans faces, read straight from their files and set without hinting.
class Typeface {
public:
    // Reads DejaVuSans.ttf and DejaVuSans-Bold.ttf from the folder; false when one is missing.
    bool Load(const QString &folder);
    // The outline of a line of text, origin at the left end of its baseline.
    QPainterPath Path(const QString &text, bool bold, qreal px) const;
    qreal Width(const QString &text, bool bold, qreal px) const;
    qreal CapHeight(bool bold, qreal px) const;

    void Draw(QPainter &p, const QString &text, bool bold, qreal px, QPointF baseline,
              const QColor &c) const;
    // Centred in r, the capitals' middle on r's middle.
    void DrawCentred(QPainter &p, const QString &text, bool bold, qreal px, const QRectF &r,
                     const QColor &c) const;

private:
    const QRawFont &Font(bool bold, qreal px) const;
    QByteArray regular_, bold_;
    mutable std::map<std::pair<bool, int>, QRawFont> cache_;
};

enum class Icon {
    None,
    Play,
    Pause,
    Stop,
    MarkStart,
    MarkEnd,
    RatioFree,
    RatioKeep,
    Close,
    Minimise,
    Help,
    Add,
    Remove,
    Edit,
    Convert,
    Folder,
    Ok,
    Globe,
    Mail,
};

// Draws the icon into the square box in colour c. Help needs the typeface for its question mark.
void DrawIcon(QPainter &p, Icon icon, const QRectF &box, const QColor &c, const Typeface &type,
              qreal rotation = 0);

// The badge of the program: an accent tile with a film edge and a play sign.
void DrawLogo(QPainter &p, const QRectF &box);

QPainterPath RoundedRect(const QRectF &r, qreal radius);

// Every picture is drawn at a scale: 1, or 2 for screens of twice the pixel density. A picture
// at scale 2 has twice the pixels each way and a device pixel ratio of 2, so that painters on it
// keep working in the window's pixels while the outlines are filled at the finer grid.
QImage NewPicture(int w, int h, int scale, QImage::Format format = QImage::Format_RGB32);
int ScaleOf(const QImage &img);
// The part r of a picture, r in the window's pixels; the part keeps the picture's scale.
QImage PartOf(const QImage &img, const QRect &r);
// A one-pixel frame (one window pixel, at any scale) along the inside of box, box filled first
// when fill is given. Lines of pens drawn without antialiasing land half a pixel off at scale 2.
void PixelFrame(QPainter &p, const QRect &box, const QColor &line, const QBrush &fill = {});

// Whether pixel (x, y) of a w x h window lies outside its outline with rounded corners of the
// given radius (pixel centres outside the corner circles).
bool OutsideRoundedCorner(int x, int y, int w, int h, int radius);

// A window mask of a w x h window at a scale: magenta outside the rounded outline, black inside.
QImage MakeMask(int w, int h, int radius, int scale);

// Paints a line one picture pixel wide along the inside of the rounded outline (radius in the
// window's pixels). The pixels outside the outline (cut away by the mask) take the line's colour
// too.
void FrameWindow(QImage &img, int radius, const QColor &line);

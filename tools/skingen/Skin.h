#pragma once
// What the four windows' drawing code shares: the output folder, the Skin.ini sections and their
// values, and the furniture every window draws (title band, panels, field frames).

#include "Buttons.h"
#include "Paint.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <utility>

// The file name of a picture drawn at scale 2: "name@2x.ext" beside "name.ext".
QString ScaledName(const QString &name, int scale);

// Writes the files of the skin into one folder; remembers whether any write failed. A picture
// drawn at scale 2 goes to the scaled name of the file.
class Output {
public:
    explicit Output(QString dir) : dir_(std::move(dir)) {}

    bool Bmp(const QString &name, const QImage &img);
    bool Jpeg(const QString &name, const QImage &img);
    bool Text(const QString &name, const QByteArray &bytes) { return Save(name, bytes); }
    bool ok() const { return ok_; }

private:
    bool Write(const QString &name, const QImage &img, const char *format, int quality);
    bool Save(const QString &name, const QByteArray &bytes);
    QString dir_;
    bool ok_ = true;
};

// Skin.ini values: fields separated by commas, every value ending in a comma so that its last
// field counts.
QString Fields(const QStringList &fields);
QString Num(int n);
QString ImageValue(const QString &file, const QRect &r, bool sizesParent);

// One window's part of the skin.
struct Section {
    QString name;
    QStringList lines;
    void Add(const QString &key, const QString &value) { lines << key + "=" + value; }
    bool operator==(const Section &other) const = default;
};

struct Skin {
    Typeface type;
    ButtonPainter buttons{type};
    Output *out = nullptr;
    // The scale the windows are drawn at in this pass; Skin.ini is the same for both.
    int scale = 1;
    QList<Section> sections;
    bool ok = true;
    QString error;

    // Button pieces kept for the mock pictures.
    struct Placed {
        QImage cell;
        QPoint at;
        QString window;
        QString key;
    };
    QList<Placed> placed;

    void Fail(const QString &why);
    // Writes the button's strip (and animation) and adds its key to the section.
    void Dynamic(Section &s, const QImage &bg, const ButtonArt &b, const QString &window);
};

// Corner radius of the three smaller windows.
inline constexpr int kSmallRadius = 8;

QImage NewBackground(int w, int h, int scale);
void TitleBand(QPainter &p, const Typeface &type, int w, int height, const QString &title,
               qreal titlePx);
void RoundedPanel(QPainter &p, const QRectF &r, qreal radius, const QColor &fill,
                  const QColor &line);
// A one-pixel frame just outside a flat edit or list of the form.
void FieldFrame(QPainter &p, const QRect &field);

// Each window writes its pictures and appends its section.
void MainWindowSkin(Skin &skin);
void ProgressWindowSkin(Skin &skin);
void ProfileWindowSkin(Skin &skin);
void AboutWindowSkin(Skin &skin);

// The device pictures, the splash picture and the four windows at both scales and, last,
// Skin.ini. On failure says why on stderr and returns false.
bool WriteSkin(Skin &skin);

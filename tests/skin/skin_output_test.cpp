// The default skin that the build writes into the program folder: every window section holds a
// key for each skinned control, every named picture exists with the size its fields imply, the
// controls fit their windows without covering each other or the forms' own controls, buttons
// show different pictures per state, the masks cut rounded corners with exact magenta only, and
// two runs of the generator write the same bytes.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <vector>

namespace {

const QString kSkinDir = QStringLiteral(MAVO_BIN_DIR "/Skin/");
constexpr QRgb kMagenta = 0xFF00FF;

// --- Reading Skin.ini the way the program reads it --------------------------------------------

QString Trim(const QString &s) {
    qsizetype a = 0, b = s.size();
    while (a < b && s[a].unicode() <= 32)
        ++a;
    while (b > a && s[b - 1].unicode() <= 32)
        --b;
    return s.mid(a, b - a);
}

// Field n (from 1): the text between the (n-1)-th and the n-th comma; empty when no comma
// follows it.
QString Field(const QString &value, int n) {
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype c = value.indexOf(',', start);
        if (c < 0)
            return {};
        start = c + 1;
    }
    const qsizetype end = value.indexOf(',', start);
    if (end < 0)
        return {};
    return Trim(value.mid(start, end - start));
}

int IntField(const QString &value, int n) {
    const QString f = Field(value, n);
    qsizetype i = 0;
    bool negative = false;
    if (i < f.size() && (f[i] == '-' || f[i] == '+'))
        negative = f[i++] == '-';
    long long v = 0;
    while (i < f.size() && f[i].isDigit() && v < 1000000)
        v = v * 10 + f[i++].digitValue();
    return static_cast<int>(negative ? -v : v);
}

class SkinIni {
public:
    bool Load(const QString &path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        QString section;
        for (const QByteArray &raw : f.readAll().split('\n')) {
            const QString line = Trim(QString::fromUtf8(raw));
            if (line.isEmpty() || line.startsWith(';'))
                continue;
            if (line.startsWith('[') && line.endsWith(']')) {
                section = line.mid(1, line.size() - 2).toLower();
                order_.push_back(section);
                continue;
            }
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                values_[section][Trim(line.left(eq)).toLower()] = Trim(line.mid(eq + 1));
        }
        return true;
    }
    bool Has(const QString &section, const QString &key) const {
        auto s = values_.find(section.toLower());
        return s != values_.end() && s->second.count(key.toLower()) != 0;
    }
    QString Value(const QString &section, const QString &key) const {
        return Has(section, key) ? values_.at(section.toLower()).at(key.toLower()) : "Wrong";
    }
    std::vector<QString> Keys(const QString &section) const {
        std::vector<QString> keys;
        auto s = values_.find(section.toLower());
        if (s != values_.end())
            for (const auto &kv : s->second)
                keys.push_back(kv.first);
        return keys;
    }

private:
    std::vector<QString> order_;
    std::map<QString, std::map<QString, QString>> values_;
};

// --- What the windows need ---------------------------------------------------------------------

enum class Kind { Image, Check, Dynamic, Bar, List };

struct Control {
    const char *key;
    Kind kind;
};

struct Window {
    const char *section;
    int width, height; // client area of the form
    std::vector<Control> controls;
    std::vector<QRect> formControls; // the form's own controls (labels, edits, panels, lists)
};

const std::vector<Window> &Windows() {
    static const std::vector<Window> windows = {
        {"MainWindow",
         792,
         566,
         {{"TP_ImageList", Kind::List},
          {"Img_Background", Kind::Image},
          {"TB_Play", Kind::Dynamic},
          {"TB_Stop", Kind::Dynamic},
          {"TB_Pause", Kind::Dynamic},
          {"TB_Next", Kind::Dynamic},
          {"TB_Previous", Kind::Dynamic},
          {"TP_Progress", Kind::Bar},
          {"TB_Close", Kind::Dynamic},
          {"TB_AS_Keep", Kind::Check},
          {"TB_Min", Kind::Dynamic},
          {"TB_Help", Kind::Dynamic},
          {"TB_AddFile", Kind::Dynamic},
          {"TB_DelFile", Kind::Dynamic},
          {"TB_Edit", Kind::Dynamic},
          {"TB_Convert", Kind::Dynamic},
          {"Img_VideoPic", Kind::Image}},
         {QRect(421, 68, 300, 224), QRect(24, 358, 497, 21)}},
        {"ProgressWindow",
         546,
         346,
         {{"Img_Background", Kind::Image},
          {"Img_Progress", Kind::Image},
          {"Img_CP", Kind::Image},
          {"Img_TP", Kind::Image},
          {"TB_Start", Kind::Dynamic},
          {"TB_Stop", Kind::Dynamic},
          {"TB_Close", Kind::Dynamic},
          {"TB_Browse", Kind::Dynamic}},
         // The folder edit, the block of detail labels (32..473 x 88..197) and the bar panel.
         {QRect(112, 34, 297, 19), QRect(32, 88, 441, 110), QRect(139, 241, 280, 33)}},
        {"ProfileWindow",
         480,
         366,
         {{"Img_Background", Kind::Image},
          {"TB_Ok", Kind::Dynamic},
          {"TB_Cancel", Kind::Dynamic},
          {"TB_Close", Kind::Dynamic}},
         {QRect(40, 64, 401, 121), QRect(40, 200, 401, 121), QRect(136, 34, 225, 19)}},
        {"AboutWindow",
         392,
         216,
         {{"Img_Background", Kind::Image},
          {"TB_Home", Kind::Dynamic},
          {"TB_Contact", Kind::Dynamic},
          {"TB_Close", Kind::Dynamic}},
         // Title and shadow, version text, company name (its text may run about 190 wide).
         {QRect(37, 54, 248, 25), QRect(184, 88, 150, 13), QRect(24, 176, 190, 16)}},
    };
    return windows;
}

// The last field each class reads; a value must end in a comma after it.
int LastField(Kind kind) {
    switch (kind) {
    case Kind::Image:
        return 14;
    case Kind::Bar:
        return 14;
    case Kind::Check:
    case Kind::Dynamic:
    case Kind::List:
        return 15;
    }
    return 15;
}

QImage Picture(const QString &file) {
    return QImage(kSkinDir + file);
}

bool IsFile(const QString &file) {
    return !file.isEmpty() && QFileInfo(kSkinDir + file).isFile();
}

class ShippedSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite() { loaded_ = ini_.Load(kSkinDir + "Skin.ini"); }
    void SetUp() override { ASSERT_TRUE(loaded_) << "no Skin.ini in " << kSkinDir.toStdString(); }
    static SkinIni ini_;
    static bool loaded_;
};
SkinIni ShippedSkin::ini_;
bool ShippedSkin::loaded_ = false;

// Mean difference per channel between two pictures of the same size.
double ImageDifference(const QImage &a, const QImage &b) {
    if (a.size() != b.size() || a.isNull())
        return 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// The same between cells a and b of a strip.
double CellDifference(const QImage &strip, int cellW, int a, int b) {
    return ImageDifference(strip.copy(a * cellW, 0, cellW, strip.height()),
                           strip.copy(b * cellW, 0, cellW, strip.height()));
}

} // namespace

TEST_F(ShippedSkin, EveryWindowSectionHasAKeyForEachSkinnedControlAndTheMask) {
    for (const Window &w : Windows()) {
        for (const Control &c : w.controls) {
            ASSERT_TRUE(ini_.Has(w.section, c.key)) << w.section << "/" << c.key;
            const QString v = ini_.Value(w.section, c.key);
            EXPECT_NE(v, "Invisible") << w.section << "/" << c.key;
            EXPECT_GE(v.count(','), LastField(c.kind))
                << w.section << "/" << c.key << ": the last field is lost without its comma";
        }
        ASSERT_TRUE(ini_.Has(w.section, "MaskBmp")) << w.section;
        EXPECT_TRUE(IsFile(ini_.Value(w.section, "MaskBmp"))) << w.section;
        // No stray keys: each key is a control of the window, the mask or the focus colour.
        EXPECT_TRUE(QColor(ini_.Value(w.section, "FocusColor")).isValid()) << w.section;
        for (const QString &key : ini_.Keys(w.section)) {
            bool known = key == "maskbmp" || key == "focuscolor";
            for (const Control &c : w.controls)
                known = known || key == QString(c.key).toLower();
            EXPECT_TRUE(known) << w.section << ": unexpected key " << key.toStdString();
        }
    }
}

TEST_F(ShippedSkin, PicturesHaveTheSizesTheirFieldsImply) {
    for (const Window &w : Windows()) {
        for (const Control &c : w.controls) {
            const QString v = ini_.Value(w.section, c.key);
            const std::string where = std::string(w.section) + "/" + c.key;
            switch (c.kind) {
            case Kind::Image: {
                ASSERT_TRUE(IsFile(Field(v, 1))) << where;
                const QImage img = Picture(Field(v, 1));
                ASSERT_FALSE(img.isNull()) << where;
                EXPECT_EQ(img.size(), QSize(IntField(v, 6), IntField(v, 7))) << where;
                EXPECT_EQ(IntField(v, 8), 1) << where;
                EXPECT_EQ(IntField(v, 9), 0) << where << ": pictures let presses through";
                break;
            }
            case Kind::Dynamic: {
                const int cw = IntField(v, 6), ch = IntField(v, 7);
                ASSERT_GT(cw, 0) << where;
                ASSERT_GT(ch, 0) << where;
                const QImage strip = Picture(Field(v, 1));
                ASSERT_FALSE(strip.isNull()) << where;
                // Normal, hover and down always; disabled when field 15 says so.
                EXPECT_EQ(strip.width(), cw * (3 + (IntField(v, 15) != 0 ? 1 : 0))) << where;
                EXPECT_EQ(strip.height(), ch) << where;
                EXPECT_EQ(IntField(v, 8), 1) << where;
                EXPECT_EQ(IntField(v, 9), 1) << where;
                EXPECT_FALSE(Field(v, 12).isEmpty()) << where << ": every button has a hint";
                if (Field(v, 2).toLower() != "static") {
                    const QImage anim = Picture(Field(v, 2));
                    ASSERT_FALSE(anim.isNull()) << where;
                    EXPECT_EQ(anim.width() % cw, 0) << where;
                    EXPECT_GE(anim.width(), 2 * cw) << where;
                    EXPECT_EQ(anim.height(), ch) << where;
                    EXPECT_GT(IntField(v, 13), 0) << where << ": frame interval";
                }
                break;
            }
            case Kind::Check: {
                const int cw = IntField(v, 6), ch = IntField(v, 7);
                const int cells =
                    1 + (IntField(v, 13) != 0) + (IntField(v, 14) != 0) + (IntField(v, 15) != 0);
                const QImage unchecked = Picture(Field(v, 1));
                const QImage checked = Picture(Field(v, 2));
                ASSERT_FALSE(unchecked.isNull()) << where;
                ASSERT_FALSE(checked.isNull()) << where << ": the switch needs a checked look";
                EXPECT_EQ(unchecked.size(), QSize(cw * cells, ch)) << where;
                EXPECT_EQ(checked.size(), QSize(cw * cells, ch)) << where;
                EXPECT_GT(ImageDifference(unchecked.copy(0, 0, cw, ch), checked.copy(0, 0, cw, ch)),
                          5.0)
                    << where << ": on and off must look different";
                const QString hints = Field(v, 12);
                const qsizetype hash = hints.indexOf('#');
                ASSERT_GT(hash, 0) << where << ": unchecked#checked hints";
                EXPECT_LT(hash, hints.size() - 1) << where;
                break;
            }
            case Kind::Bar: {
                const QImage bg = Picture(Field(v, 3)), fill = Picture(Field(v, 2));
                const QImage thumb = Picture(Field(v, 1));
                const QImage start = Picture(Field(v, 13)), stop = Picture(Field(v, 14));
                ASSERT_FALSE(bg.isNull() || fill.isNull() || thumb.isNull()) << where;
                ASSERT_FALSE(start.isNull() || stop.isNull()) << where << ": start and stop marks";
                // Thumb and markers: three cells each (normal, hover and a third one).
                EXPECT_EQ(thumb.width() % 3, 0) << where;
                EXPECT_EQ(start.width() % 3, 0) << where;
                EXPECT_EQ(start.size(), stop.size()) << where;
                const int thumbW = thumb.width() / 3, markerW = start.width() / 3;
                EXPECT_LE(thumb.height(), bg.height()) << where;
                EXPECT_LE(start.height(), bg.height()) << where;
                EXPECT_LE(fill.height(), bg.height()) << where;
                // Both scales must have room: MaxLeft > MinLeft and MarkerLimit > MinLeft.
                EXPECT_GT(bg.width() - thumbW - markerW, markerW) << where;
                break;
            }
            case Kind::List: {
                const QImage thumb = Picture(Field(v, 1)), up = Picture(Field(v, 2));
                const QImage down = Picture(Field(v, 3)), track = Picture(Field(v, 13));
                ASSERT_FALSE(thumb.isNull() || up.isNull() || down.isNull()) << where;
                ASSERT_FALSE(track.isNull() || Picture(Field(v, 14)).isNull()) << where;
                EXPECT_EQ(thumb.width() % 3, 0) << where;
                EXPECT_EQ(up.width() % 3, 0) << where;
                EXPECT_EQ(up.size(), down.size()) << where;
                // Thumb and arrows sit in the scroll bar, which is as wide as the track.
                EXPECT_EQ(thumb.width() / 3, track.width()) << where;
                EXPECT_EQ(up.width() / 3, track.width()) << where;
                const int listW = IntField(v, 6), listH = IntField(v, 7);
                // The thumb needs room to move: its range is the divisor of the scrolling.
                EXPECT_LT(thumb.height() + up.height() + down.height(), listH) << where;
                // Clip entries are 388 wide at left 2 on the content beside the scroll bar.
                EXPECT_GE(listW - track.width(), 390) << where;
                if (!Field(v, 15).isEmpty()) {
                    const QImage bottom = Picture(Field(v, 15));
                    ASSERT_FALSE(bottom.isNull()) << where;
                    EXPECT_EQ(bottom.width(), listW - track.width()) << where;
                    EXPECT_LT(bottom.height(), listH) << where;
                }
                break;
            }
            }
        }
    }
}

TEST_F(ShippedSkin, WindowPicturesMatchTheForms) {
    for (const Window &w : Windows()) {
        const QString bg = ini_.Value(w.section, "Img_Background");
        EXPECT_EQ(Picture(Field(bg, 1)).size(), QSize(w.width, w.height)) << w.section;
        EXPECT_EQ(QRect(IntField(bg, 4), IntField(bg, 5), IntField(bg, 6), IntField(bg, 7)),
                  QRect(0, 0, w.width, w.height))
            << w.section;
        // The background sizes the window.
        EXPECT_EQ(IntField(bg, 13), 1) << w.section;
        EXPECT_EQ(IntField(bg, 14), 1) << w.section;
        EXPECT_EQ(Picture(ini_.Value(w.section, "MaskBmp")).size(), QSize(w.width, w.height))
            << w.section;
    }
    // The device picture fills the preview panel; the progress bars fill their 280 x 33 panel.
    const QString video = ini_.Value("MainWindow", "Img_VideoPic");
    EXPECT_EQ(QRect(IntField(video, 4), IntField(video, 5), IntField(video, 6), IntField(video, 7)),
              QRect(0, 0, 300, 224));
    EXPECT_EQ(IntField(video, 13), 0);
    const QString back = ini_.Value("ProgressWindow", "Img_Progress");
    EXPECT_EQ(QRect(IntField(back, 4), IntField(back, 5), IntField(back, 6), IntField(back, 7)),
              QRect(0, 0, 280, 33));
    for (const char *key : {"Img_CP", "Img_TP"}) {
        const QString v = ini_.Value("ProgressWindow", key);
        EXPECT_EQ(Picture(Field(v, 1)).width(), 280) << key;
        EXPECT_EQ(IntField(v, 13), 0) << key << ": must not resize the panel";
        EXPECT_GE(IntField(v, 5), 0) << key;
        EXPECT_LE(IntField(v, 5) + IntField(v, 7), 33) << key;
    }
    EXPECT_NE(Field(ini_.Value("ProgressWindow", "Img_CP"), 5),
              Field(ini_.Value("ProgressWindow", "Img_TP"), 5))
        << "the two bars need their own rows";
}

TEST_F(ShippedSkin, ControlsFitTheirWindowAndCoverNothing) {
    for (const Window &w : Windows()) {
        std::vector<std::pair<QString, QRect>> placed;
        for (const Control &c : w.controls) {
            if (c.kind == Kind::Image)
                continue;
            const QString v = ini_.Value(w.section, c.key);
            QRect r(IntField(v, 4), IntField(v, 5), IntField(v, 6), IntField(v, 7));
            if (c.kind == Kind::Bar)
                r.setSize(Picture(Field(v, 3)).size());
            placed.emplace_back(c.key, r);
        }
        const QRect window(0, 0, w.width, w.height);
        for (size_t i = 0; i < placed.size(); ++i) {
            const auto &[key, r] = placed[i];
            EXPECT_TRUE(window.contains(r)) << w.section << "/" << key.toStdString();
            for (const QRect &form : w.formControls)
                EXPECT_FALSE(r.intersects(form))
                    << w.section << "/" << key.toStdString() << " covers a form control";
            for (size_t j = i + 1; j < placed.size(); ++j) {
                // Start and Stop of the progress window share a place: only one is shown.
                const bool swap = w.section == QString("ProgressWindow") && key == "TB_Start" &&
                                  placed[j].first == "TB_Stop";
                if (!swap) {
                    EXPECT_FALSE(r.intersects(placed[j].second))
                        << w.section << ": " << key.toStdString() << " and "
                        << placed[j].first.toStdString() << " overlap";
                }
            }
        }
    }
}

TEST_F(ShippedSkin, ButtonStatesLookDifferent) {
    for (const Window &w : Windows())
        for (const Control &c : w.controls) {
            if (c.kind != Kind::Dynamic && c.kind != Kind::Check)
                continue;
            const QString v = ini_.Value(w.section, c.key);
            const int cw = IntField(v, 6);
            QStringList strips{Field(v, 1)};
            if (c.kind == Kind::Check)
                strips << Field(v, 2);
            for (const QString &file : strips) {
                const QImage strip = Picture(file).convertToFormat(QImage::Format_RGB32);
                ASSERT_GE(strip.width(), 3 * cw) << file.toStdString();
                const std::string where = std::string(w.section) + "/" + c.key;
                // Hover and down must differ from normal and from each other at a glance.
                EXPECT_GT(CellDifference(strip, cw, 0, 1), 4.0) << where << " hover";
                EXPECT_GT(CellDifference(strip, cw, 0, 2), 4.0) << where << " down";
                EXPECT_GT(CellDifference(strip, cw, 1, 2), 2.0) << where << " hover/down";
                if (strip.width() == 4 * cw) {
                    EXPECT_GT(CellDifference(strip, cw, 0, 3), 2.0) << where << " disabled";
                }
            }
        }
}

TEST_F(ShippedSkin, MasksCutRoundedCornersInExactMagenta) {
    for (const Window &w : Windows()) {
        const QImage mask =
            Picture(ini_.Value(w.section, "MaskBmp")).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(mask.isNull()) << w.section;
        const int mw = mask.width(), mh = mask.height();
        std::set<QRgb> colours;
        int cornerCount[4] = {0, 0, 0, 0};
        for (int y = 0; y < mh; ++y)
            for (int x = 0; x < mw; ++x) {
                const QRgb c = mask.pixel(x, y) & 0xFFFFFF;
                colours.insert(c);
                if (c != kMagenta)
                    continue;
                // Key pixels only in the corners, never along the edges.
                const bool left = x < 20, right = x >= mw - 20, top = y < 20, bottom = y >= mh - 20;
                ASSERT_TRUE((left || right) && (top || bottom))
                    << w.section << ": key colour at " << x << "," << y;
                ++cornerCount[(right ? 1 : 0) + (bottom ? 2 : 0)];
            }
        // Exactly two colours: the key and the inside. No near-magenta from smoothing.
        EXPECT_EQ(colours.size(), 2u) << w.section;
        EXPECT_TRUE(colours.count(kMagenta)) << w.section;
        for (QRgb c : colours)
            if (c != kMagenta) {
                const int dist = std::abs(qRed(c) - 255) + qGreen(c) + std::abs(qBlue(c) - 255);
                EXPECT_GT(dist, 100) << w.section << ": inside colour too close to the key";
            }
        for (QPoint corner :
             {QPoint(0, 0), QPoint(mw - 1, 0), QPoint(0, mh - 1), QPoint(mw - 1, mh - 1)})
            EXPECT_EQ(mask.pixel(corner) & 0xFFFFFF, kMagenta) << w.section;
        for (QPoint inside : {QPoint(mw / 2, mh / 2), QPoint(mw / 2, 0), QPoint(0, mh / 2),
                              QPoint(mw - 1, mh / 2), QPoint(mw / 2, mh - 1)})
            EXPECT_NE(mask.pixel(inside) & 0xFFFFFF, kMagenta) << w.section;
        // Rounded: row by row from the top the cut in the corner gets shorter through several
        // lengths (a square notch or a single pixel would not), and it ends before the middle.
        std::vector<int> runs;
        for (int y = 0; y < mh / 2; ++y) {
            int run = 0;
            while (run < mw && (mask.pixel(run, y) & 0xFFFFFF) == kMagenta)
                ++run;
            if (run == 0)
                break;
            runs.push_back(run);
        }
        ASSERT_GE(runs.size(), 3u) << w.section;
        EXPECT_TRUE(std::is_sorted(runs.rbegin(), runs.rend())) << w.section;
        EXPECT_GE(std::set<int>(runs.begin(), runs.end()).size(), 3u) << w.section;
        EXPECT_LT(runs.front(), mw / 4) << w.section;
        EXPECT_GT(cornerCount[0], 3) << w.section;
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(cornerCount[i], cornerCount[0]) << w.section << " corner " << i;
    }
}

TEST_F(ShippedSkin, BarThumbAndMarksAreShapedByMagenta) {
    const QString v = ini_.Value("MainWindow", "TP_Progress");
    for (int field : {1, 13, 14}) {
        const QImage strip = Picture(Field(v, field)).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(strip.isNull()) << field;
        const int cw = strip.width() / 3;
        for (int cell = 0; cell < 2; ++cell) { // the two cells the bar uses
            int key = 0, shape = 0;
            for (int y = 0; y < strip.height(); ++y)
                for (int x = 0; x < cw; ++x)
                    ((strip.pixel(cell * cw + x, y) & 0xFFFFFF) == kMagenta ? key : shape)++;
            EXPECT_GT(key, 0) << "field " << field << " cell " << cell;
            EXPECT_GT(shape, cw) << "field " << field << " cell " << cell;
        }
    }
    // The round thumb: corners cut, centre kept.
    const QImage thumb = Picture(Field(v, 1)).convertToFormat(QImage::Format_RGB32);
    const int cw = thumb.width() / 3;
    EXPECT_EQ(thumb.pixel(0, 0) & 0xFFFFFF, kMagenta);
    EXPECT_NE(thumb.pixel(cw / 2, thumb.height() / 2) & 0xFFFFFF, kMagenta);
}

TEST_F(ShippedSkin, SplashAndDevicePicturesAreThere) {
    const QImage splash = Picture("startup.jpg");
    ASSERT_FALSE(splash.isNull());
    EXPECT_EQ(splash.size(), QSize(446, 243));
    // The device pictures fill the 300 x 224 preview panel.
    for (const char *name : {"3gp.jpg", "psp.jpg", "ipod.jpg", "pda.jpg", "mp4.jpg"}) {
        const QImage img = Picture(name);
        ASSERT_FALSE(img.isNull()) << name;
        EXPECT_EQ(img.size(), QSize(300, 224)) << name;
    }
    // Five different drawings, not one picture under five names.
    std::set<QByteArray> contents;
    for (const char *name : {"3gp.jpg", "psp.jpg", "ipod.jpg", "pda.jpg", "mp4.jpg"}) {
        QFile f(kSkinDir + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        contents.insert(f.readAll());
    }
    EXPECT_EQ(contents.size(), 5u);
}

namespace {

std::map<QString, QByteArray> ReadFolder(const QString &dir) {
    std::map<QString, QByteArray> files;
    for (const QString &name : QDir(dir).entryList(QDir::Files)) {
        QFile f(dir + "/" + name);
        if (f.open(QIODevice::ReadOnly))
            files[name] = f.readAll();
    }
    return files;
}

bool RunGenerator(const QString &out, std::string *log) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(SKINGEN_EXE, {"--fonts", SKINGEN_FONT_DIR, out});
    const bool ok =
        p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    *log = p.readAll().toStdString();
    return ok;
}

} // namespace

TEST(SkinGenerator, TwoRunsWriteTheSameBytesAsTheBuild) {
    QTemporaryDir a, b;
    ASSERT_TRUE(a.isValid() && b.isValid());
    std::string log;
    ASSERT_TRUE(RunGenerator(a.path(), &log)) << log;
    ASSERT_TRUE(RunGenerator(b.path(), &log)) << log;
    const auto first = ReadFolder(a.path()), second = ReadFolder(b.path());
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(first.size(), second.size());
    for (const auto &[name, bytes] : first) {
        ASSERT_TRUE(second.count(name)) << name.toStdString();
        EXPECT_TRUE(bytes == second.at(name)) << name.toStdString() << " differs between runs";
        QFile built(kSkinDir + name);
        ASSERT_TRUE(built.open(QIODevice::ReadOnly)) << name.toStdString() << " not in the build";
        EXPECT_TRUE(bytes == built.readAll()) << name.toStdString() << " differs from the build";
    }

    // A fresh folder holds exactly the files Skin.ini names, the splash and the device pictures,
    // each picture with its companion drawn at twice the scale ("name@2x.ext").
    SkinIni ini;
    ASSERT_TRUE(ini.Load(a.path() + "/Skin.ini"));
    std::set<QString> named{"Skin.ini", "startup.jpg", "3gp.jpg",   "psp.jpg", "ipod.jpg",
                            "pda.jpg",  "mp4.jpg",     "phone.jpg", "tv.jpg",  "share.jpg"};
    for (const Window &w : Windows()) {
        named.insert(ini.Value(w.section, "MaskBmp"));
        for (const Control &c : w.controls)
            for (int field : {1, 2, 3, 13, 14, 15}) {
                const QString f = Field(ini.Value(w.section, c.key), field);
                if (f.endsWith(".bmp") || f.endsWith(".jpg"))
                    named.insert(f);
            }
    }
    for (QString picture : std::set<QString>(named))
        if (picture != "Skin.ini")
            named.insert(picture.insert(picture.lastIndexOf('.'), "@2x"));
    for (const auto &[name, bytes] : first)
        EXPECT_TRUE(named.count(name)) << name.toStdString() << " is written but never named";
    for (const QString &name : named)
        EXPECT_TRUE(first.count(name)) << name.toStdString() << " is named but not written";
}

TEST(SkinGenerator, FailsWithoutItsFonts) {
    QTemporaryDir out, empty;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(SKINGEN_EXE, {"--fonts", empty.path(), out.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(out.path() + "/Skin.ini").exists())
        << "an incomplete skin must not look finished";
    EXPECT_TRUE(p.readAll().contains("fonts-dejavu-core"));
}

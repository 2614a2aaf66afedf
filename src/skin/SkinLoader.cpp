#include "skin/SkinLoader.h"

#include "common/NumberText.h"
#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ListPanel.h"
#include "controls/MaskRegion.h"
#include "controls/TImage.h"
#include "desktop/MessageBox.h"
#include "desktop/ScaledPicture.h"
#include "profiles/IniFile.h"
#include "skin/SkinnedForm.h"
#include "skin/Splash.h"

#include <QFileInfo>
#include <QImage>

QString SkinFolder;

QString SkinField(QStringView value, int n) {
    if (n < 1)
        return {};
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype comma = value.indexOf(QLatin1Char(','), start);
        if (comma < 0)
            return {};
        start = comma + 1;
    }
    const qsizetype end = value.indexOf(QLatin1Char(','), start);
    if (end < 0)
        return {}; // no comma after it: the field does not count
    return TrimBlanks(value.mid(start, end - start));
}

namespace {

const QString kWrong = QStringLiteral("Wrong");
const QString kInvisible = QStringLiteral("Invisible");

// One control's value and the reading of its fields. Bitmaps are read for the window's device
// pixel ratio: on a screen of twice the density the "@2x" companions.
struct Entry {
    QString value;
    qreal device_ratio = 1;

    QString Text(int n) const { return SkinField(value, n); }
    int Integer(int n) const { return IntegerValue(SkinField(value, n)); }
    bool Switch(int n) const { return Integer(n) != 0; }
    // The full path of a file field; a backslash in the field is read as a separator.
    QString File(int n) const {
        return SkinFolder + Text(n).replace(QLatin1Char('\\'), QLatin1Char('/'));
    }
    bool FileExists(int n) const {
        const QString field = Text(n);
        return !field.isEmpty() && QFileInfo(File(n)).isFile();
    }
    QImage Bitmap(int n) const { return LoadScaledPicture(File(n), device_ratio); }
    bool Is(const QString &word) const { return value == word; }
    bool IsStatic(int n) const { return Text(n).toLower() == QLatin1String("static"); }
};

void Hide(QWidget *control) {
    control->setGeometry(0, 0, 0, 0);
    control->setVisible(false);
}

void SetHint(QWidget *control, const QString &hint) {
    // A tool tip shows only when there is a hint.
    control->setToolTip(hint);
}

bool ApplyImage(TImage *image, const Entry &e) {
    if (e.Is(kWrong))
        return false;
    if (e.value == QLatin1String("Clear")) {
        image->ClearPicture();
        return true;
    }
    if (e.Is(kInvisible)) {
        Hide(image);
        image->ClearPicture();
        return true;
    }
    if (!e.FileExists(1) || !image->LoadPictureFromFile(e.File(1)))
        return false;
    image->move(e.Integer(4), e.Integer(5));
    if (QWidget *parent = image->parentWidget()) {
        if (e.Switch(13))
            parent->resize(e.Integer(6), parent->height());
        if (e.Switch(14))
            parent->resize(parent->width(), e.Integer(7));
    }
    image->resize(e.Integer(6), e.Integer(7));
    image->setVisible(e.Switch(8));
    image->setEnabled(e.Switch(9));
    image->SetTransparent(e.Switch(11));
    image->update();
    return true;
}

bool ApplyImageButton(TImageButton *button, const Entry &e, bool force_hover, bool force_down) {
    if (e.Is(kWrong))
        return false;
    if (e.Is(kInvisible)) {
        Hide(button);
        return true;
    }
    if (!e.FileExists(1))
        return false;
    const bool loaded =
        button->LoadStates(e.Bitmap(1), e.Integer(6), e.Integer(7), e.Switch(10),
                           force_hover || e.Switch(13), force_down || e.Switch(14), e.Switch(15));
    button->move(e.Integer(4), e.Integer(5));
    button->setVisible(e.Switch(8));
    button->SetButtonEnabled(e.Switch(9));
    SetHint(button, e.Text(12));
    button->update();
    return loaded;
}

bool ApplyCheckImageButton(TCheckImageButton *button, const Entry &e) {
    if (!ApplyImageButton(button, e, false, false))
        return false;
    if (e.Is(kInvisible))
        return true;
    if (e.IsStatic(2)) {
        button->LoadCheckedStates(QImage(), true, true, true);
        button->setVisible(true);
        return true;
    }
    if (!e.FileExists(2))
        return false;
    const bool loaded =
        button->LoadCheckedStates(e.Bitmap(2), e.Switch(13), e.Switch(14), e.Switch(15));
    button->SetCheckHints(e.Text(12));
    button->SetChecked(button->Checked);
    button->setVisible(true);
    return loaded;
}

bool ApplyDynamicImageButton(TDynamicImageButton *button, const Entry &e) {
    if (!ApplyImageButton(button, e, true, true))
        return false;
    if (e.Is(kInvisible))
        return true;
    if (e.IsStatic(2)) {
        button->LoadAnimation(QImage(), 50, 3000);
        button->setVisible(true);
        return true;
    }
    if (!e.FileExists(2))
        return false;
    const bool loaded = button->LoadAnimation(e.Bitmap(2), e.Integer(13), e.Integer(14));
    button->setVisible(true);
    return loaded;
}

bool ApplyFixProgress(TFixProgress *bar, const Entry &e) {
    if (e.Is(kInvisible)) {
        Hide(bar);
        return true;
    }
    if (!e.FileExists(1) || !e.FileExists(3) || !e.FileExists(2))
        return false;
    bool ok = bar->SetBackgroundBitmap(e.Bitmap(3));
    ok = bar->SetFillBitmap(e.Bitmap(2)) && ok;
    QImage start_marker, stop_marker;
    if (e.FileExists(13) && e.FileExists(14)) {
        start_marker = e.Bitmap(13);
        stop_marker = e.Bitmap(14);
    }
    ok = bar->SetThumbBitmaps(e.Bitmap(1), start_marker, stop_marker) && ok;
    bar->Arrange();
    bar->move(e.Integer(4), e.Integer(5));
    bar->setVisible(e.Switch(8));
    bar->setEnabled(e.Switch(9));
    SetHint(bar, e.Text(12));
    bar->setVisible(true);
    return ok;
}

bool ApplyListPanel(TListPanel *panel, const Entry &e) {
    if (e.Is(kInvisible)) {
        panel->setVisible(false);
        return true;
    }
    if (!e.FileExists(1) || !e.FileExists(13) || !e.FileExists(14))
        return false;
    panel->setVisible(true);
    bool ok = panel->SetBackgroundBitmap(e.Bitmap(14));
    if (e.FileExists(15))
        ok = panel->SetBottomBitmap(e.Bitmap(15)) && ok;
    ok = panel->SetThumbBitmap(e.Bitmap(1)) && ok;
    ok = panel->SetTrackBitmap(e.Bitmap(13)) && ok;
    if (e.FileExists(2))
        ok = panel->SetUpArrowBitmap(e.Bitmap(2)) && ok;
    else
        panel->SetUpArrowBitmap(QImage());
    if (e.FileExists(3))
        ok = panel->SetDownArrowBitmap(e.Bitmap(3)) && ok;
    else
        panel->SetDownArrowBitmap(QImage());
    panel->resize(e.Integer(6), e.Integer(7));
    ok = panel->Arrange() && ok;
    panel->move(e.Integer(4), e.Integer(5));
    return ok;
}

// The applier of the control's exact class; controls of other classes need no key.
bool ApplyControl(QWidget *control, const IniFile &ini, const QString &section) {
    const QString cls = QString::fromLatin1(control->metaObject()->className());
    auto entry = [&] {
        return Entry{ini.ReadString(section, control->objectName(), kWrong),
                     control->devicePixelRatioF()};
    };
    if (cls == QLatin1String("TImage"))
        return ApplyImage(static_cast<TImage *>(control), entry());
    if (cls == QLatin1String("TImageButton"))
        return ApplyImageButton(static_cast<TImageButton *>(control), entry(), false, false);
    if (cls == QLatin1String("TCheckImageButton"))
        return ApplyCheckImageButton(static_cast<TCheckImageButton *>(control), entry());
    if (cls == QLatin1String("TDynamicImageButton"))
        return ApplyDynamicImageButton(static_cast<TDynamicImageButton *>(control), entry());
    if (cls == QLatin1String("TFixProgress"))
        return ApplyFixProgress(static_cast<TFixProgress *>(control), entry());
    if (cls == QLatin1String("TListPanel"))
        return ApplyListPanel(static_cast<TListPanel *>(control), entry());
    return true;
}

} // namespace

bool ApplySkin(TSkinnedForm *window, const QString &folder) {
    if (window == nullptr || !QFileInfo(folder + "Skin.ini").isFile())
        return false;
    SkinFolder = folder;
    const IniFile ini(folder + "Skin.ini");
    const QString section = window->objectName();
    for (const QPointer<QWidget> &control : window->Components()) {
        if (control.isNull())
            continue;
        if (!ApplyControl(control, ini, section)) {
            // A box under the splash would never be seen.
            HideSplash();
            ShowMessageBox(BoxKind::Error, kSkinErrorText, BoxButtons::Ok, window);
            return false;
        }
    }
    const QColor focus(ini.ReadString(section, "FocusColor", {}));
    if (focus.isValid())
        window->setProperty(kFocusColorProperty, focus);
    const Entry mask{ini.ReadString(section, "MaskBmp", "NoData")};
    const QString mask_path = SkinFolder + QString(mask.value).replace('\\', '/');
    if (!mask.value.isEmpty() && QFileInfo(mask_path).isFile())
        ShapeWindowByMask(window, LoadScaledPicture(mask_path, window->devicePixelRatioF()));
    return true;
}

#include "controls/ImageButton.h"

#include "common/NumberText.h"

#include "controls/MaskRegion.h"

#include "desktop/ScaledPicture.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <array>
#include <cmath>
#include <unordered_set>

namespace {

// One cell of a strip, sized width x height and copied pixel for pixel from (x, 0); what the
// source does not cover stays black. Sizes and places are in the window's pixels: of a source
// with a device pixel ratio of 2 the cell takes twice the pixels each way and keeps the ratio.
QImage CopyCell(const QImage &source, int x, int width, int height) {
    const int scale = std::max(1, static_cast<int>(std::floor(source.devicePixelRatio())));
    QImage cell(width * scale, height * scale, QImage::Format_RGB32);
    if (cell.isNull())
        return cell;
    cell.fill(Qt::black);
    {
        // Both at ratio 1 while copying, so that the painter moves pixels and scales nothing.
        QImage pixels = source.convertToFormat(QImage::Format_RGB32);
        pixels.setDevicePixelRatio(1);
        QPainter painter(&cell);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), pixels, QRect(x * scale, 0, width * scale, height * scale));
    }
    cell.setDevicePixelRatio(scale);
    return cell;
}

// Writes one look into four state references: the normal cell at x = 0, each present optional
// cell at the next x; an absent state refers to the normal object. Objects are reused.
void CutStateCells(const QImage &source, int cell_width, int cell_height, bool has_hover,
                   bool has_down, bool has_disabled, QImage *&normal, QImage *&hover, QImage *&down,
                   QImage *&disabled) {
    // A shared reference must not be filled as an image of its own.
    for (QImage **state : {&hover, &down, &disabled})
        if (*state != nullptr && *state == normal)
            *state = nullptr;
    if (normal == nullptr)
        normal = new QImage;
    *normal = CopyCell(source, 0, cell_width, cell_height);
    int x = 0;
    const std::array<std::pair<bool, QImage **>, 3> cells{
        {{has_hover, &hover}, {has_down, &down}, {has_disabled, &disabled}}};
    for (const auto &[present, field] : cells) {
        if (present) {
            x += cell_width;
            if (*field == nullptr)
                *field = new QImage;
            **field = CopyCell(source, x, cell_width, cell_height);
        } else {
            delete *field;
            *field = normal;
        }
    }
}

int CellCount(bool has_hover, bool has_down, bool has_disabled) {
    return 1 + (has_hover ? 1 : 0) + (has_down ? 1 : 0) + (has_disabled ? 1 : 0);
}

// Deletes every distinct object once.
void DeleteEachOnce(std::initializer_list<QImage *> bitmaps) {
    std::unordered_set<QImage *> seen;
    for (QImage *bitmap : bitmaps)
        if (bitmap != nullptr && seen.insert(bitmap).second)
            delete bitmap;
}

} // namespace

// ---- FocusMark ----

namespace {
// Amber: apart from the green of a selected clip and the red under the mouse.
const QColor kFocusColor(255, 176, 0);
} // namespace

FocusMark::FocusMark(QWidget *control) : QWidget(control) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(control->rect());
    control->installEventFilter(this);
    hide();
}

QColor FocusMark::Color() {
    return kFocusColor;
}

void FocusMark::Follow(bool focused, Qt::FocusReason reason) {
    const bool by_keyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                             reason == Qt::ShortcutFocusReason;
    if (focused && !by_keyboard)
        return;
    setVisible(focused);
    raise();
}

void FocusMark::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    // The window's skin gives the colour; without one it is amber.
    QColor colour = window()->property(kFocusColorProperty).value<QColor>();
    if (!colour.isValid())
        colour = kFocusColor;
    painter.setPen(QPen(colour, 2, Qt::DashLine));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

bool FocusMark::eventFilter(QObject *watched, QEvent *event) {
    if (watched != parent())
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        setGeometry(parentWidget()->rect());
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        Follow(event->type() == QEvent::FocusIn, static_cast<QFocusEvent *>(event)->reason());
        break;
    default:
        break;
    }
    return false;
}

// ---- TImageButton ----

TImageButton::TImageButton(QWidget *parent) : QWidget(parent) {
    Image = new TImage(this);
    Image->setEnabled(false); // mouse input reaches the button itself
    Image->setGeometry(rect());
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    new FocusMark(this);
    setVisible(false);
}

void TImageButton::SetKeyboardStop(bool stop) {
    setFocusPolicy(stop ? Qt::TabFocus : Qt::NoFocus);
}

void TImageButton::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    if (isEnabled() && event->modifiers() == Qt::NoModifier &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        emit Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

TImageButton::~TImageButton() {
    DeleteEachOnce({DownBitmap, HoverBitmap, DisabledBitmap, NormalBitmap});
    NormalBitmap = HoverBitmap = DownBitmap = DisabledBitmap = nullptr;
}

bool TImageButton::LoadStates(const QImage &source, int32_t cell_width, int32_t cell_height,
                              bool use_mask, bool has_hover, bool has_down, bool has_disabled) {
    if (source.isNull() || cell_width < 0 || cell_height < 0)
        return false;
    const int64_t needed =
        static_cast<int64_t>(cell_width) * CellCount(has_hover, has_down, has_disabled);
    if (LogicalSize(source).width() < needed)
        return false;
    resize(cell_width, cell_height);
    Image->setGeometry(rect());
    CutStateCells(source, cell_width, cell_height, has_hover, has_down, has_disabled, NormalBitmap,
                  HoverBitmap, DownBitmap, DisabledBitmap);
    StatesReloaded();
    UseMask = use_mask;
    // The shape is cut at whole window pixels; finer than that the magenta is left out in
    // painting (a cell of twice the resolution).
    Image->SetKeyColor(UseMask ? std::optional<QRgb>(ColorRefToRgb(kMaskKeyColor)) : std::nullopt);
    Image->SetTransparent(UseMask);
    ShowBitmap(NormalBitmap);
    setVisible(true);
    if (UseMask)
        return ApplyMaskRegion();
    // No shape from an earlier load survives.
    clearMask();
    return true;
}

void TImageButton::SetButtonEnabled(bool enabled) {
    setEnabled(enabled);
    ShowBitmap(enabled ? NormalBitmap : DisabledBitmap);
}

bool TImageButton::ApplyMaskRegion() {
    if (!UseMask)
        return true;
    SetWidgetShape(
        this, MaskShape(NormalBitmap != nullptr ? *NormalBitmap : QImage(), width(), height()));
    return true;
}

void TImageButton::ShowBitmap(const QImage *bitmap) {
    if (bitmap != nullptr)
        Image->SetPicture(*bitmap);
    else
        Image->ClearPicture();
}

bool TImageButton::event(QEvent *event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Space and Return press the focused button, whatever the window does with them.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
             key->key() == Qt::Key_Enter))
            event->accept();
        break;
    }
    case QEvent::Leave:
        ShowBitmap(isEnabled() ? NormalBitmap : DisabledBitmap);
        MouseInside = false;
        break;
    case QEvent::Enter:
        if (HoverOnEnter)
            ShowBitmap(HoverBitmap);
        MouseInside = true;
        break;
    case QEvent::MouseButtonRelease: {
        // A disabled button takes no mouse input at all.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (isEnabled() && mouse->button() == Qt::LeftButton) {
            const QPoint at = mouse->position().toPoint();
            // Left of or above the button is outside as well.
            const bool inside = at.x() >= 0 && at.y() >= 0 && at.x() < width() && at.y() < height();
            MouseInside = inside;
            ShowBitmap(inside ? HoverBitmap : NormalBitmap);
            Pressed = false;
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (isEnabled() && mouse->button() == Qt::LeftButton) {
            ShowBitmap(DownBitmap);
            Pressed = true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void TImageButton::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        click_armed_ = true;
    emit MouseDown(event);
}

void TImageButton::mouseDoubleClickEvent(QMouseEvent *event) {
    mousePressEvent(event);
}

void TImageButton::mouseMoveEvent(QMouseEvent *event) {
    emit MouseMove(event);
}

void TImageButton::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && click_armed_) {
        click_armed_ = false;
        const QPoint at = event->position().toPoint();
        if (rect().contains(at))
            emit Click();
    }
    emit MouseUp(event);
}

void TImageButton::resizeEvent(QResizeEvent *event) {
    Image->setGeometry(rect());
    QWidget::resizeEvent(event);
}

// ---- TCheckImageButton ----

TCheckImageButton::TCheckImageButton(QWidget *parent) : TImageButton(parent) {}

TCheckImageButton::~TCheckImageButton() {
    DeleteEachOnce({NormalBitmap, HoverBitmap, DownBitmap, DisabledBitmap, UncheckedSet.Normal,
                    UncheckedSet.Hover, UncheckedSet.Down, UncheckedSet.Disabled, CheckedSet.Normal,
                    CheckedSet.Hover, CheckedSet.Down, CheckedSet.Disabled});
    NormalBitmap = HoverBitmap = DownBitmap = DisabledBitmap = nullptr;
    CheckedSet = UncheckedSet = StateSet{};
}

void TCheckImageButton::RecordSets() {
    // The new unchecked look has been written into whatever set was shown. When that was the
    // checked set, the checked set takes over the objects of the unchecked set (which the load
    // did not touch); the shown objects become the unchecked set in every case.
    if (NormalBitmap != nullptr && CheckedSet.Normal == NormalBitmap)
        CheckedSet = UncheckedSet;
    UncheckedSet = StateSet{NormalBitmap, HoverBitmap, DownBitmap, DisabledBitmap};
    if (CheckedSet.Normal == UncheckedSet.Normal)
        CheckedSet = StateSet{};
}

void TCheckImageButton::StatesReloaded() {
    // Whatever the checked set held belongs to the former unchecked look until it is cut again.
    RecordSets();
    CheckedLoaded = false;
}

bool TCheckImageButton::LoadCheckedStates(const QImage &source, bool has_hover, bool has_down,
                                          bool has_disabled) {
    CheckedLoaded = false;
    if (source.isNull() || NormalBitmap == nullptr)
        return false;
    RecordSets();
    const int64_t needed =
        static_cast<int64_t>(width()) * CellCount(has_hover, has_down, has_disabled);
    if (LogicalSize(source).width() < needed)
        return false;
    CutStateCells(source, width(), height(), has_hover, has_down, has_disabled, CheckedSet.Normal,
                  CheckedSet.Hover, CheckedSet.Down, CheckedSet.Disabled);
    CheckedLoaded = true;
    return true;
}

void TCheckImageButton::SetChecked(bool checked) {
    Checked = checked;
    if (CheckedLoaded) {
        const StateSet &shown = checked ? CheckedSet : UncheckedSet;
        NormalBitmap = shown.Normal;
        HoverBitmap = shown.Hover;
        DownBitmap = shown.Down;
        DisabledBitmap = shown.Disabled;
    }
    setToolTip(checked ? CheckedHint : UncheckedHint);
    // Screen readers hear of the new state.
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent announce(this, changed);
    QAccessible::updateAccessibility(&announce);
    if (!isEnabled())
        ShowBitmap(DisabledBitmap);
    else if (MouseInside)
        ShowBitmap(HoverBitmap);
    else
        ShowBitmap(NormalBitmap);
}

void TCheckImageButton::SetCheckHints(const QString &hints) {
    const qsizetype hash = hints.indexOf(QLatin1Char('#'));
    if (hash < 0) {
        UncheckedHint.clear();
        CheckedHint = TrimBlanks(hints);
        return;
    }
    UncheckedHint = TrimBlanks(hints.left(hash));
    CheckedHint = TrimBlanks(hints.mid(hash + 1));
}

// ---- TDynamicImageButton ----

TDynamicImageButton::TDynamicImageButton(QWidget *parent) : TImageButton(parent) {
    AnimTimer = new ControlTimer([this] { AnimationTick(); }, 100, this);
}

TDynamicImageButton::~TDynamicImageButton() {
    AnimTimer->SetEnabled(false);
    ClearFrames();
}

void TDynamicImageButton::ClearFrames() {
    for (QImage *frame : Frames)
        delete frame;
    Frames.clear();
}

bool TDynamicImageButton::LoadAnimation(const QImage &source, int32_t interval, int32_t pause) {
    if (source.isNull()) {
        AnimTimer->SetEnabled(false);
        HoverOnEnter = true;
        return false;
    }
    const int w = width();
    const int source_width = LogicalSize(source).width();
    if (w <= 0 || source_width % w != 0)
        return false;
    AnimTimer->SetEnabled(false);
    FrameInterval = interval;
    RepeatPause = pause;
    RepeatAnimation = pause > 0;
    ClearFrames();
    for (int x = 0; x < source_width; x += w)
        Frames.push_back(new QImage(CopyCell(source, x, w, height())));
    HoverOnEnter = false;
    return true;
}

void TDynamicImageButton::AnimationTick() {
    AnimTimer->SetInterval(FrameInterval);
    if (FrameIndex >= 0 && FrameIndex < static_cast<int32_t>(Frames.size())) {
        ShowBitmap(Frames[static_cast<size_t>(FrameIndex)]);
        ++FrameIndex;
    } else {
        ShowBitmap(HoverBitmap);
        AnimTimer->SetEnabled(false);
        if (RepeatAnimation) {
            FrameIndex = 0;
            AnimTimer->SetInterval(RepeatPause);
            AnimTimer->SetEnabled(true);
        }
    }
    Image->repaint();
}

bool TDynamicImageButton::event(QEvent *event) {
    const bool handled = TImageButton::event(event);
    const QEvent::Type type = event->type();
    const bool left_down =
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    if (left_down || type == QEvent::Enter || type == QEvent::Leave) {
        const bool running = AnimTimer->Enabled();
        const bool active = MouseInside && !Pressed && isEnabled();
        if (!active) {
            AnimTimer->SetEnabled(false);
            if (!isEnabled())
                ShowBitmap(DisabledBitmap);
            else if (MouseInside && Pressed)
                ShowBitmap(DownBitmap);
            else if (MouseInside)
                ShowBitmap(HoverBitmap);
            else
                ShowBitmap(NormalBitmap);
        } else if (!running) {
            FrameIndex = 0;
            AnimTimer->SetInterval(FrameInterval);
        }
        AnimTimer->SetEnabled(active);
    }
    return handled;
}

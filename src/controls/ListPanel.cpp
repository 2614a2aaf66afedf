#include "controls/ListPanel.h"

#include "controls/ControlMath.h"
#include "controls/ControlMessages.h"
#include "desktop/ScaledPicture.h"
#include "model/ClipList.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>

namespace {

QPoint ScreenPos(const QMouseEvent *event) {
    return event->globalPosition().toPoint();
}

// Moves a child into parent and keeps it shown (a new parent would hide it).
void PutInto(QWidget *child, QWidget *parent) {
    if (child->parentWidget() != parent)
        child->setParent(parent);
    child->show();
}

} // namespace

TListPanel::TListPanel(QWidget *parent) : QWidget(parent) {
    ContentPanel = new QWidget(this);
    ContentPanel->setAutoFillBackground(true);
    ScrollPanel = new QWidget(this);
    ScrollPanel->setAutoFillBackground(true);
    ScrollPanel->resize(0, height());
    Realign();
    setFocusPolicy(Qt::TabFocus);
    new FocusMark(this);
}

TListPanel::~TListPanel() {
    if (RepeatTimer != nullptr)
        RepeatTimer->SetEnabled(false);
    delete RepeatTimer;
    RepeatTimer = nullptr;
    delete ClipMenu;
    ClipMenu = nullptr;
    SoundMenu = nullptr;
    SubtitleMenu = nullptr;
    for (Image_Item *item : Items)
        delete item;
    Items.clear();
}

void TListPanel::Send(UINT msg, WPARAM w) {
    SendMessageA(parent_handle_, msg, w, 0);
}

// ---- skin ----

bool TListPanel::SetBackgroundBitmap(const QImage &graphic) {
    if (graphic.isNull())
        return false;
    if (BackgroundImage == nullptr) {
        BackgroundImage = new TImage(ContentPanel);
        BackgroundImage->hide();
    }
    BackgroundImage->SetPicture(graphic);
    BackgroundImage->SetStretch(true);
    BackgroundImage->setEnabled(false);
    BackgroundImage->resize(LogicalSize(graphic).width(), BackgroundImage->height());
    return true;
}

bool TListPanel::SetBottomBitmap(const QImage &graphic) {
    if (graphic.isNull())
        return false;
    if (BottomImage == nullptr)
        BottomImage = new TImage(ContentPanel);
    BottomImage->SetPicture(graphic);
    BottomImage->resize(LogicalSize(graphic));
    BottomImage->setEnabled(false);
    PutInto(BottomImage, ContentPanel);
    Realign();
    return true;
}

bool TListPanel::SetTrackBitmap(const QImage &graphic) {
    if (graphic.isNull())
        return false;
    if (TrackImage == nullptr) {
        // Placed into the scroll bar by Arrange.
        TrackImage = new TImage(ScrollPanel);
        TrackImage->hide();
        connect(TrackImage, &TImage::MouseDown, this, &TListPanel::TrackMouseDown);
    }
    TrackImage->SetPicture(graphic);
    TrackImage->resize(LogicalSize(graphic).width(), TrackImage->height());
    TrackImage->SetStretch(true);
    return true;
}

bool TListPanel::SetThumbBitmap(const QImage &bitmap) {
    if (bitmap.isNull())
        return false;
    if (Thumb == nullptr) {
        Thumb = new TImageButton(ScrollPanel);
        Thumb->SetKeyboardStop(false);
        connect(Thumb, &TImageButton::MouseDown, this, &TListPanel::ThumbMouseDown);
        connect(Thumb, &TImageButton::MouseMove, this, &TListPanel::ThumbMouseMove);
    }
    const QSize size = LogicalSize(bitmap);
    return Thumb->LoadStates(bitmap, size.width() / 3, size.height(), false, true, true, false);
}

TImageButton *TListPanel::NewArrow() {
    auto *arrow = new TImageButton(ScrollPanel);
    arrow->SetKeyboardStop(false);
    connect(arrow, &TImageButton::MouseDown, this, [this, arrow] { ArrowMouseDown(arrow); });
    connect(arrow, &TImageButton::MouseUp, this, [this] { ArrowMouseUp(); });
    return arrow;
}

bool TListPanel::SetArrow(TImageButton *&arrow, const QImage &bitmap) {
    if (bitmap.isNull()) {
        delete arrow;
        arrow = nullptr;
        Realign();
        return true;
    }
    if (arrow == nullptr)
        arrow = NewArrow();
    const QSize size = LogicalSize(bitmap);
    return arrow->LoadStates(bitmap, size.width() / 3, size.height(), false, true, true, false);
}

bool TListPanel::SetUpArrowBitmap(const QImage &bitmap) {
    return SetArrow(UpArrow, bitmap);
}

bool TListPanel::SetDownArrowBitmap(const QImage &bitmap) {
    return SetArrow(DownArrow, bitmap);
}

void TListPanel::Realign() {
    // The scroll bar on the right over the whole height; in it the arrows at the top and the
    // bottom and the track between them. The background fills the content above the bottom
    // picture, which spans its width at the bottom.
    const int sw = ScrollPanel->width();
    ScrollPanel->setGeometry(width() - sw, 0, sw, height());
    int top = 0;
    int bottom = ScrollPanel->height();
    if (UpArrow != nullptr && UpArrow->parentWidget() == ScrollPanel) {
        UpArrow->setGeometry(0, 0, sw, UpArrow->height());
        top = UpArrow->height();
    }
    if (DownArrow != nullptr && DownArrow->parentWidget() == ScrollPanel) {
        DownArrow->setGeometry(0, bottom - DownArrow->height(), sw, DownArrow->height());
        bottom -= DownArrow->height();
    }
    if (TrackImage != nullptr && TrackImage->isVisibleTo(ScrollPanel))
        TrackImage->setGeometry(0, top, sw, std::max(0, bottom - top));
    int content_bottom = ContentPanel->height();
    if (BottomImage != nullptr) {
        BottomImage->setGeometry(0, content_bottom - BottomImage->height(), ContentPanel->width(),
                                 BottomImage->height());
        content_bottom -= BottomImage->height();
    }
    if (BackgroundImage != nullptr)
        BackgroundImage->setGeometry(0, 0, ContentPanel->width(), std::max(0, content_bottom));
}

bool TListPanel::Arrange() {
    if (TrackImage == nullptr || Thumb == nullptr || BackgroundImage == nullptr ||
        (UpArrow == nullptr) != (DownArrow == nullptr))
        return false;
    ScrollPanel->resize(TrackImage->width(), ScrollPanel->height());
    PutInto(TrackImage, ScrollPanel);
    TrackImage->lower();
    Realign();
    ThumbMinTop = 0;
    ThumbMaxTop = ScrollPanel->height() - Thumb->height();
    PutInto(Thumb, ScrollPanel);
    if (UpArrow != nullptr) {
        PutInto(UpArrow, ScrollPanel);
        PutInto(DownArrow, ScrollPanel);
        Realign();
        ThumbMinTop += UpArrow->height();
        ThumbMaxTop -= DownArrow->height();
    }
    Thumb->move(Thumb->x(), ClampRange(0, ThumbMinTop, ThumbMaxTop));
    Thumb->raise();
    ContentPanel->resize(width() - ScrollPanel->width(), ContentPanel->height());
    QPalette palette = ContentPanel->palette();
    palette.setColor(QPalette::Window, BackgroundImage->Picture().pixelColor(0, 0));
    ContentPanel->setPalette(palette);
    BackgroundImage->hide();
    if (BottomImage != nullptr)
        PutInto(BottomImage, ContentPanel);
    Realign();
    return true;
}

void TListPanel::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    Realign();
    if (Thumb == nullptr)
        return;
    ThumbMaxTop = ScrollPanel->height() - Thumb->height();
    if (DownArrow != nullptr)
        ThumbMaxTop -= DownArrow->height();
    Thumb->move(Thumb->x(), ClampRange(Thumb->y(), ThumbMinTop, ThumbMaxTop));
    ScrollTo(Thumb->y());
}

// ---- scrolling ----

void TListPanel::ScrollTo(int32_t t) {
    const int32_t travel = ThumbMaxTop - ThumbMinTop;
    // Without room for the thumb to travel the list stays where it is.
    if (travel == 0 || ItemPitch <= 0)
        return;
    const auto f = static_cast<float>(static_cast<double>(t - ThumbMinTop) / travel);
    int32_t rows = (ContentHeight + TopMargin - height()) / ItemPitch;
    if (rows < 0)
        rows = 0;
    const int32_t first = FloatToInt<int32_t>(static_cast<double>(rows) * f);
    const int64_t offset = static_cast<int64_t>(first) * ItemPitch;
    ContentPanel->setGeometry(ContentPanel->x(), ClampRange(-offset, INT32_MIN / 2, INT32_MAX / 2),
                              ContentPanel->width(),
                              ClampRange(offset + height(), 0, INT32_MAX / 2));
    Realign();
}

void TListPanel::ThumbMouseDown(QMouseEvent *event) {
    DragStart = ScreenPos(event);
    DragStartTop = Thumb->y();
}

void TListPanel::ThumbMouseMove(QMouseEvent *event) {
    if (!Thumb->Pressed)
        return;
    DragNow = ScreenPos(event);
    Thumb->move(Thumb->x(),
                ClampRange(static_cast<int64_t>(DragStartTop) + DragNow.y() - DragStart.y(),
                           ThumbMinTop, ThumbMaxTop));
    ScrollTo(Thumb->y());
}

void TListPanel::TrackMouseDown(QMouseEvent *event) {
    if (Thumb == nullptr)
        return;
    const int y = event->position().toPoint().y();
    Thumb->move(Thumb->x(),
                ThumbMinTop + ClampRange(y - Thumb->height() / 2, 0, ThumbMaxTop - ThumbMinTop));
    ScrollTo(Thumb->y());
}

int32_t TListPanel::ArrowSteps() const {
    return ItemPitch > 0 ? (ContentHeight - height()) / ItemPitch + 1 : 0;
}

void TListPanel::MoveThumbBy(int32_t step) {
    Thumb->move(Thumb->x(),
                ClampRange(static_cast<int64_t>(Thumb->y()) + step, ThumbMinTop, ThumbMaxTop));
    ScrollTo(Thumb->y());
}

void TListPanel::ArrowMouseDown(TImageButton *arrow) {
    if (Thumb == nullptr)
        return;
    const int32_t steps = ArrowSteps();
    if (steps < 1)
        return;
    const int32_t step = (ThumbMaxTop - ThumbMinTop) / steps;
    ScrollingUp = arrow == UpArrow;
    MoveThumbBy(ScrollingUp ? -step : step);
    if (RepeatTimer == nullptr)
        RepeatTimer = new ControlTimer([this] { RepeatTick(); }, 1000, this);
    RepeatTimer->SetInterval(1000);
    RepeatTimer->SetEnabled(true);
}

void TListPanel::ArrowMouseUp() {
    if (RepeatTimer != nullptr)
        RepeatTimer->SetEnabled(false);
}

void TListPanel::RepeatTick() {
    RepeatTimer->SetInterval(500);
    const int32_t steps = ArrowSteps();
    if (steps < 1 || Thumb == nullptr) {
        RepeatTimer->SetEnabled(false);
        return;
    }
    const int32_t step = (ThumbMaxTop - ThumbMinTop) / steps;
    MoveThumbBy(ScrollingUp ? -step : step);
}

// ---- items ----

void TListPanel::SetClipList(ClipList *clips) {
    if (clips_ != nullptr)
        disconnect(clips_, nullptr, this, nullptr);
    clips_ = clips;
    ClipsRemoved();
    if (clips_ == nullptr)
        return;
    for (int32_t i = 0; i < clips_->Count(); ++i)
        ClipAdded(i);
    connect(clips_, &ClipList::ClipAdded, this, &TListPanel::ClipAdded);
    connect(clips_, &ClipList::ClipsRemoved, this, &TListPanel::ClipsRemoved);
    connect(clips_, &ClipList::SelectionChanged, this, &TListPanel::DrawSelection);
    connect(clips_, &ClipList::CropChanged, this, [this](int32_t index) {
        if (const ClipRecord *clip = clips_->Get(index); clip != nullptr && index < Count())
            Items[index]->ShowCropTimes(clip->StartTime, clip->StopTime);
        ShowForecast(index);
    });
    connect(clips_, &ClipList::CurrentChanged, this,
            [this](int32_t id) { Send(WM_CLIPCHANGED, static_cast<WPARAM>(id)); });
}

void TListPanel::ClipAdded(int32_t index) {
    const ClipRecord *clip = clips_->Get(index);
    if (clip == nullptr)
        return;
    auto *item = new Image_Item(ContentPanel);
    item->SetClipInfo(*clip);
    Items.insert(std::min<qsizetype>(index, Items.size()), item);
    ShowForecast(index);
    connect(item, &TImage::MouseDown, this,
            [this, item](QMouseEvent *e) { ItemMouseDown(item, e->button(), e->modifiers()); });
    connect(item, &TImage::MouseUp, this,
            [this](QMouseEvent *e) { ItemMouseUp(e->button(), ScreenPos(e)); });
    connect(item, &TImage::DoubleClick, this, [this] { ItemDoubleClick(); });
    Relayout();
    clip->Selected ? item->DrawSelected() : item->DrawUnselected();
    // The new entry is painted at once.
    QCoreApplication::processEvents();
}

void TListPanel::SetForecaster(Forecaster forecaster) {
    forecaster_ = std::move(forecaster);
    ShowForecasts();
}

void TListPanel::ShowForecasts() {
    for (int32_t i = 0; i < Count(); ++i)
        ShowForecast(i);
}

void TListPanel::ShowForecast(int32_t index) {
    const ClipRecord *clip = clips_ != nullptr ? clips_->Get(index) : nullptr;
    if (clip == nullptr || index >= Items.size())
        return;
    Image_Item *item = Items[index];
    item->ShowForecast(*clip, forecaster_ ? forecaster_(*clip) : std::nullopt);
    // The band lies under the frame's colour: the frame is drawn again over it.
    clip->Selected ? item->DrawSelected() : item->DrawUnselected();
}

void TListPanel::ClipsRemoved() {
    QList<Image_Item *> kept;
    for (Image_Item *item : Items) {
        if (clips_ != nullptr && clips_->IndexOf(item->ClipId) >= 0)
            kept.append(item);
        else
            delete item;
    }
    Items = kept;
    Relayout();
}

void TListPanel::DrawSelection() {
    for (Image_Item *item : Items) {
        const ClipRecord *clip = clips_->Find(item->ClipId);
        const bool selected = clip != nullptr && clip->Selected;
        if (selected != item->Selected)
            selected ? item->DrawSelected() : item->DrawUnselected();
    }
}

Image_Item *TListPanel::GetItem(int32_t index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return Items.at(index);
}

void TListPanel::Relayout() {
    for (qsizetype i = 0; i < Items.size(); ++i) {
        Image_Item *item = Items.at(i);
        const int top = static_cast<int>(i) * ItemPitch + TopMargin;
        if (item->y() != top)
            item->move(item->x(), top);
        if (item->isHidden())
            item->show();
    }
    ContentHeight = Count() * ItemPitch;
    ScrollTo(Thumb != nullptr ? Thumb->y() : ThumbMinTop);
}

void TListPanel::keyPressEvent(QKeyEvent *event) {
    if (clips_ == nullptr || clips_->Count() == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int32_t last = clips_->Count() - 1;
    // The row the keys move from: the last one reached, else the anchor, else none.
    const int32_t from = cursor_ >= 0 && cursor_ <= last ? cursor_ : clips_->Anchor();
    int32_t next = -1;
    switch (event->key()) {
    case Qt::Key_Up:
        next = from < 0 ? 0 : std::max(0, from - 1);
        break;
    case Qt::Key_Down:
        next = from < 0 ? 0 : std::min(last, from + 1);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = last;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Send(WM_PREVIEWCLIP, 0);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    // Shift extends the selection from the anchor, which stays.
    clips_->Click(next,
                  event->modifiers() & Qt::ShiftModifier ? ClickKind::Range : ClickKind::Plain);
    cursor_ = next;
    ShowRow(next);
}

void TListPanel::ShowRow(int32_t index) {
    const int32_t rows = std::max(0, (ContentHeight + TopMargin - height()) / ItemPitch);
    const int32_t travel = ThumbMaxTop - ThumbMinTop;
    if (rows == 0 || travel <= 0 || Thumb == nullptr || ItemPitch <= 0)
        return;
    const int32_t shown = std::max(1, height() / ItemPitch);
    int32_t first = -ContentPanel->y() / ItemPitch;
    if (index < first)
        first = index;
    else if (index >= first + shown)
        first = index - shown + 1;
    first = std::clamp(first, 0, rows);
    // The thumb position whose first row is this one (the inverse of ScrollTo's rounding).
    const int32_t t = ThumbMinTop + (first * travel + rows - 1) / rows;
    Thumb->move(Thumb->x(), std::clamp(t, ThumbMinTop, ThumbMaxTop));
    ScrollTo(Thumb->y());
}

void TListPanel::ItemMouseDown(Image_Item *item, Qt::MouseButton button,
                               Qt::KeyboardModifiers shift) {
    ClickKind kind = ClickKind::Other;
    if (shift & Qt::ShiftModifier)
        kind = ClickKind::Range;
    else if (shift & Qt::ControlModifier)
        kind = ClickKind::Toggle;
    else if (button == Qt::LeftButton)
        kind = ClickKind::Plain;
    cursor_ = static_cast<int32_t>(Items.indexOf(item));
    if (clips_ != nullptr)
        clips_->Click(cursor_, kind);
}

void TListPanel::ItemMouseUp(Qt::MouseButton button, const QPoint &screen_pos) {
    if (button != Qt::RightButton)
        return;
    if (ClipMenu == nullptr) {
        ClipMenu = new QMenu(this);
        const struct {
            const char *caption;
            const char *name;
        } entries[] = {{"Preview clip", "Preview"},
                       {"-", ""},
                       {"Remove clip(s)", "Remove"},
                       {"Crop clip(s)", "Crop"},
                       {"Clear clip(s)", "Clear"}};
        for (const auto &entry : entries) {
            QAction *action = QLatin1String(entry.caption) == QLatin1String("-")
                                  ? ClipMenu->addSeparator()
                                  : ClipMenu->addAction(QString::fromLatin1(entry.caption));
            action->setObjectName(QString::fromLatin1(entry.name));
        }
        connect(ClipMenu, &QMenu::triggered, this, &TListPanel::ClipMenuClick);
    }
    FillSoundMenu();
    FillSubtitleMenu();
    ClipMenu->popup(screen_pos);
}

void TListPanel::FillSoundMenu() {
    delete SoundMenu;
    SoundMenu = nullptr;
    const ClipRecord *clip = clips_ != nullptr ? clips_->Get(cursor_) : nullptr;
    if (clip == nullptr || clip->SoundTracks.size() < 2)
        return;
    SoundMenu = ClipMenu->addMenu(QStringLiteral("Sound track"));
    SoundMenu->setObjectName(QStringLiteral("SoundTrack"));
    for (qsizetype i = 0; i < clip->SoundTracks.size(); ++i) {
        QAction *track =
            SoundMenu->addAction(QStringLiteral("%1: %2").arg(i + 1).arg(clip->SoundTracks[i]));
        track->setCheckable(true);
        track->setChecked(i == clip->SoundTrackInUse());
        const int32_t index = cursor_;
        connect(track, &QAction::triggered, this, [this, index, i] {
            if (clips_ != nullptr)
                clips_->SetSoundTrack(index, static_cast<int32_t>(i));
        });
    }
}

void TListPanel::FillSubtitleMenu() {
    delete SubtitleMenu;
    SubtitleMenu = nullptr;
    const ClipRecord *clip = clips_ != nullptr ? clips_->Get(cursor_) : nullptr;
    if (clip == nullptr || clip->SubtitleTracks.isEmpty())
        return;
    SubtitleMenu = ClipMenu->addMenu(QStringLiteral("Subtitles"));
    SubtitleMenu->setObjectName(QStringLiteral("Subtitles"));
    QList<QPair<QString, QString>> choices{{QStringLiteral("none"), QStringLiteral("None")},
                                           {QStringLiteral("keep"), QStringLiteral("Keep")}};
    for (qsizetype i = 0; i < clip->SubtitleTracks.size(); ++i)
        choices.append(
            {QStringLiteral("burn:%1").arg(i + 1),
             QStringLiteral("Burn in track %1: %2").arg(i + 1).arg(clip->SubtitleTracks[i])});
    const int32_t index = cursor_;
    for (const auto &[choice, caption] : choices) {
        QAction *entry = SubtitleMenu->addAction(caption);
        entry->setCheckable(true);
        entry->setChecked(clip->Subtitles == choice);
        connect(entry, &QAction::triggered, this, [this, index, choice = choice] {
            if (clips_ != nullptr)
                clips_->SetSubtitles(index, choice);
        });
    }
}

void TListPanel::ItemDoubleClick() {
    Send(WM_PREVIEWCLIP, 0);
}

void TListPanel::ClipMenuClick(QAction *entry) {
    const QString name = entry->objectName();
    if (name == QLatin1String("Preview"))
        Send(WM_PREVIEWCLIP, 0);
    else if (clips_ == nullptr)
        return;
    else if (name == QLatin1String("Remove"))
        clips_->RemoveSelected();
    else if (name == QLatin1String("Crop"))
        clips_->CropToSelected();
    else if (name == QLatin1String("Clear"))
        clips_->ClearItems();
}

#pragma once
// The clip list on screen: one Image_Item per record of a ClipList, in a vertical list with a
// fixed row pitch, scrolled by whole rows with a skinned scroll bar on its right side. Clicks
// (plain, Ctrl, Shift) and the popup menu on the right button go to the list; its changes come
// back as signals and are drawn. The parent window is told when the user wants a preview and
// when the current clip changes (WM_CLIPCHANGED with the clip's id). It owns its items.

#include <QImage>
#include <QList>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <winmsg.h>

#include "controls/ControlTimer.h"
#include "controls/ImageButton.h"
#include "controls/ImageItem.h"
#include "controls/TImage.h"

class ClipList;
class QAction;
class QMenu;
class QMouseEvent;

class TListPanel : public QWidget {
    Q_OBJECT
public:
    explicit TListPanel(QWidget *parent = nullptr);
    ~TListPanel() override;

    // Where WM_PREVIEWCLIP and WM_CLIPCHANGED go.
    void SetParentHandle(HWND handle) { parent_handle_ = handle; }
    HWND ParentHandle() const { return parent_handle_; }

    // Skin parts; a null image counts as none.
    bool SetBackgroundBitmap(const QImage &graphic);
    bool SetBottomBitmap(const QImage &graphic);
    bool SetTrackBitmap(const QImage &graphic);
    bool SetThumbBitmap(const QImage &bitmap);
    // None removes the arrow and succeeds.
    bool SetUpArrowBitmap(const QImage &bitmap);
    bool SetDownArrowBitmap(const QImage &bitmap);
    bool Arrange();

    // Moves the list so that the thumb at Top t picks the first visible row. Nothing moves when
    // the thumb has no room to travel.
    void ScrollTo(int32_t t);

    // The list drawn; the panel follows its changes from now on.
    void SetClipList(ClipList *clips);
    // Where the entries learn the file each clip will become (nothing: no profile chosen).
    using Forecaster = std::function<std::optional<FileForecast>(const ClipRecord &clip)>;
    void SetForecaster(Forecaster forecaster);
    // Every entry's predicted file drawn again: the device, the profile or the folder changed.
    void ShowForecasts();
    ClipList *Clips() const { return clips_; }
    Image_Item *GetItem(int32_t index) const;
    int32_t Count() const { return static_cast<int32_t>(Items.size()); }
    void Relayout();
    // One auto-repeat step of a held arrow (the repeat timer's handler).
    void RepeatTick();
    QPoint DragStart;
    QPoint DragNow;
    int32_t DragStartTop = 0;
    QWidget *ContentPanel = nullptr;
    QWidget *ScrollPanel = nullptr;
    TImage *BackgroundImage = nullptr;
    TImage *BottomImage = nullptr;
    TImage *TrackImage = nullptr;
    int32_t ItemPitch = 66;
    int32_t ContentHeight = 0;
    TImageButton *Thumb = nullptr;
    TImageButton *UpArrow = nullptr;
    TImageButton *DownArrow = nullptr;
    ControlTimer *RepeatTimer = nullptr;
    bool ScrollingUp = false;
    int32_t ThumbMinTop = 0;
    int32_t ThumbMaxTop = 0;
    int32_t TopMargin = 2;
    QList<Image_Item *> Items; // in the order of the list's records
    QMenu *ClipMenu = nullptr;
    QMenu *SoundMenu = nullptr;    // the right-clicked clip's sound tracks, when it has several
    QMenu *SubtitleMenu = nullptr; // none / keep / burn in track N, when the clip has subtitles

    // Scrolls so that the row is in view.
    void ShowRow(int32_t index);

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Up and Down move the selection (with Shift they extend it), Home and End go to the ends,
    // Return previews the clip.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Realign();
    TImageButton *NewArrow();
    bool SetArrow(TImageButton *&arrow, const QImage &bitmap);
    void ThumbMouseDown(QMouseEvent *event);
    void ThumbMouseMove(QMouseEvent *event);
    void TrackMouseDown(QMouseEvent *event);
    void ArrowMouseDown(TImageButton *arrow);
    void ArrowMouseUp();
    int32_t ArrowSteps() const;
    void MoveThumbBy(int32_t step);
    void ClipAdded(int32_t index);
    void ClipsRemoved();
    void ShowForecast(int32_t index);
    void DrawSelection();
    void ItemMouseDown(Image_Item *item, Qt::MouseButton button, Qt::KeyboardModifiers shift);
    void ItemMouseUp(Qt::MouseButton button, const QPoint &screen_pos);
    void ItemDoubleClick();
    void ClipMenuClick(QAction *entry);
    void FillSoundMenu();
    void FillSubtitleMenu();
    void Send(UINT msg, WPARAM w);

    HWND parent_handle_ = nullptr;
    ClipList *clips_ = nullptr;
    Forecaster forecaster_;
    int32_t cursor_ = -1; // the row the keyboard reached last
};

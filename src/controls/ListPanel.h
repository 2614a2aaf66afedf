#pragma once
// The clip list: one Image_Item per clip in a vertical list with a fixed row pitch, scrolled by
// whole rows with a skinned scroll bar on its right side, with plain, Ctrl and Shift selection,
// a popup menu on the right button, and messages to its parent window when the user wants a
// preview or when the current clip changes. It owns its items.

#include <QImage>
#include <QList>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <winmsg.h>

#include "controls/ControlTimer.h"
#include "controls/ImageButton.h"
#include "controls/ImageItem.h"
#include "controls/TImage.h"

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

    // Appends an item filled by SetClipInfo; the list takes it over.
    void AddItem(Image_Item *item);
    Image_Item *GetItem(int32_t index) const;
    int32_t Count() const { return static_cast<int32_t>(Items.size()); }
    Image_Item *TakeSingleSelection();
    void ClearItems();
    void RemoveSelected();
    void CropToSelected();
    // Rebuilds SelectedItems; returns the number of items (not of selected ones).
    int32_t CollectSelected();
    void Relayout();
    // One auto-repeat step of a held arrow (the repeat timer's handler).
    void RepeatTick();
    // list := the members of list not in to_remove (by identity), destroying each removed one
    // when destroy is set; to_remove is emptied.
    static void RemoveItems(QList<Image_Item *> &list, QList<Image_Item *> &to_remove,
                            bool destroy);

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
    int32_t AnchorTop = -1;
    QList<Image_Item *> Items;
    QList<Image_Item *> SelectedItems;
    QMenu *ClipMenu = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;

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
    void ItemMouseDown(Image_Item *item, Qt::MouseButton button, Qt::KeyboardModifiers shift);
    void ItemMouseUp(Qt::MouseButton button, const QPoint &screen_pos);
    void ItemDoubleClick();
    void ClipMenuClick(QAction *entry);
    void Send(UINT msg, WPARAM w);

    HWND parent_handle_ = nullptr;
};

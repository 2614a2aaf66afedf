#pragma once
// Dresses a window from the skin: "Skin.ini" in the skin folder has one section per window
// (named after the window), one key per skinned control (named after the control) and the
// window's outline under "MaskBmp".

#include <QString>
#include <QStringView>

class TSkinnedForm;

// The folder of the last skin found (ends in the separator).
extern QString SkinFolder;

inline constexpr const char *kSkinErrorText =
    "Some Errors In Skin File.\nRe-install program may solve this problem!";

// Field n (from 1) of a comma-separated skin value, trimmed. A field counts only when a comma
// follows it: "a.bmp,0,0" has an empty third field, "a.bmp,0,0," has "0".
QString SkinField(QStringView value, int n);

// Dresses every control of the window and gives the window its outline. False, after the error
// box, when a control's key or bitmap is missing or a control refuses its bitmaps; false without
// a box when the folder has no "Skin.ini".
bool ApplySkin(TSkinnedForm *window, const QString &folder);

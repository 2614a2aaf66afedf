#pragma once
// The words a screen reader says for a clip of the list.

class QString;
struct ClipRecord;

// How a clip of the list reads: "party.avi, 3 minutes 43 seconds, 1280 by 720".
QString SpokenClip(const ClipRecord &clip);

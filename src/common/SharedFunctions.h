#pragma once
// Small free functions used all over the program: time texts, file sizes, file names and
// emptying a folder.

#include <QString>
#include <cstdint>

// "07" for 7, "12" for 12; negative numbers are written as they are ("0-3").
QString TwoDigitText(int32_t n);
// "hh:mm:ss" for 0..86400 seconds (negative counts as 0); "00:00:00" above 86400.
QString SecondsToTimeText(int32_t seconds);
// The size of a file in whole KiB; 0 when it is missing or cannot be opened. Saturates.
int32_t GetFileSizeKB(const QString &path);
// Deletes the files in a folder, and with include_subfolders those of every folder below it.
// Folders stay. An empty folder text deletes nothing; symbolic links are never followed (a link
// is removed as a file).
void DeleteFilesInFolder(const QString &folder, bool include_subfolders);
// The last part of a path: "party.avi" for "/home/me/party.avi".
QString FilePart(const QString &path);

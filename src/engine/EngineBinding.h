#pragma once
// The program's binding to the engine library, loaded at run time from the program folder.

#include <QString>
#include <encoder.h>

using DllInitFn = void (*)();
using DllGetFileInfoFn = void (*)(const char *, ClipInfoRecord *);
using DllGetFilePicFn = int (*)(const char *, int, const char *, const char *);
using DllSetInfoCallBackFn = void (*)(InfoReportFn);
using DllSetPercentCallBackFn = void (*)(PercentReportFn);
using DllConvertFn = int (*)(HWND, int, char **);
using DllGetMediaFactsFn = int (*)(const char *, MediaFacts *);
using DllStopFn = void (*)();
using DllUnInitFn = void (*)();
using DllGetTracksFn = int (*)(const char *, const char *, ClipTracks *);

extern DllInitFn DllInit;
extern DllGetFileInfoFn DllGetFileInfo;
extern DllGetFilePicFn DllGetFilePic;
extern DllSetInfoCallBackFn DllSetInfoCallBack;
extern DllSetPercentCallBackFn DllSetPercentCallBack;
extern DllConvertFn DllConvert;
extern DllGetMediaFactsFn DllGetMediaFacts;
extern DllStopFn DllStop;
extern DllUnInitFn DllUnInit;
// Null when the engine does not have it.
extern DllGetTracksFn DllGetTracks;

// Loads "Encoder" from the folder and finds all nine entries. On failure nothing stays loaded
// and every entry is null.
bool LoadEngine(const QString &program_folder);
bool EngineLoaded();
// Stops the engine, uninitialises it and frees the library. Nothing happens when it is not loaded.
void UnloadEngine();

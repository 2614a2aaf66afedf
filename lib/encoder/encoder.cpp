// Placeholder entries until the engine's own sources take their place: every entry exists,
// information reports an unreadable file, and thumbnail and conversion fail.
#include "encoder.h"

extern "C" {

void MyDll_Init(void) {}
void MyDll_UnInit(void) {}

void Mydll_GetFileinfo(const char *path, ClipInfoRecord *info) {
    if (info == nullptr)
        return;
    *info = ClipInfoRecord{};
    info->path = path;
    info->video_format = "unknown";
    info->audio_format = "none";
}

int Mydll_GetPicure(const char *, int, const char *, const char *) {
    return -1;
}
void SetGetInfoCallBackFun(InfoReportFn) {}
void SetGetPercentCallBackFun(PercentReportFn) {}
int _X(HWND, int, char **) {
    return -1;
}
void Mydll_Stop(void) {}

} // extern "C"

#include "engine/EngineBinding.h"

#include <QLibrary>
#include <memory>

DllInitFn DllInit = nullptr;
DllGetFileInfoFn DllGetFileInfo = nullptr;
DllGetFilePicFn DllGetFilePic = nullptr;
DllSetInfoCallBackFn DllSetInfoCallBack = nullptr;
DllSetPercentCallBackFn DllSetPercentCallBack = nullptr;
DllConvertFn DllConvert = nullptr;
DllGetMediaFactsFn DllGetMediaFacts = nullptr;
DllStopFn DllStop = nullptr;
DllUnInitFn DllUnInit = nullptr;
DllGetTracksFn DllGetTracks = nullptr;

namespace {

std::unique_ptr<QLibrary> &Library() {
    static std::unique_ptr<QLibrary> library;
    return library;
}

void ClearEntries() {
    DllInit = nullptr;
    DllGetFileInfo = nullptr;
    DllGetFilePic = nullptr;
    DllSetInfoCallBack = nullptr;
    DllSetPercentCallBack = nullptr;
    DllConvert = nullptr;
    DllGetMediaFacts = nullptr;
    DllStop = nullptr;
    DllUnInit = nullptr;
    DllGetTracks = nullptr;
}

template <typename Fn> bool Resolve(QLibrary &library, const char *name, Fn &entry) {
    entry = reinterpret_cast<Fn>(library.resolve(name));
    return entry != nullptr;
}

} // namespace

bool LoadEngine(const QString &program_folder) {
    UnloadEngine();
    auto library = std::make_unique<QLibrary>(program_folder + "Encoder");
    if (!library->load())
        return false;
    const bool all = Resolve(*library, "MyDll_Init", DllInit) &&
                     Resolve(*library, "Mydll_GetFileinfo", DllGetFileInfo) &&
                     Resolve(*library, "Mydll_GetPicure", DllGetFilePic) &&
                     Resolve(*library, "SetGetInfoCallBackFun", DllSetInfoCallBack) &&
                     Resolve(*library, "SetGetPercentCallBackFun", DllSetPercentCallBack) &&
                     Resolve(*library, "_X", DllConvert) &&
                     Resolve(*library, "Mydll_GetMediaFacts", DllGetMediaFacts) &&
                     Resolve(*library, "Mydll_Stop", DllStop) &&
                     Resolve(*library, "MyDll_UnInit", DllUnInit);
    if (!all) {
        ClearEntries();
        library->unload();
        return false;
    }
    // Newer than the rest: an engine without it is still taken, with no track lists.
    Resolve(*library, "Mydll_GetTracks", DllGetTracks);
    Library() = std::move(library);
    return true;
}

bool EngineLoaded() {
    return Library() != nullptr;
}

void UnloadEngine() {
    if (!Library())
        return;
    DllStop();
    DllUnInit();
    ClearEntries();
    Library()->unload();
    Library().reset();
}

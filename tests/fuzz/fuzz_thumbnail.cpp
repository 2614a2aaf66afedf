// libFuzzer target for the engine's thumbnail on mutated media.
//
// Each input is written to a work file of a fixed name and handed to Mydll_GetPicure with a
// picture size and a moment taken from the input's length (so that mutations of the media alone
// keep them). On success the JPEG must be there and of exactly the size asked for; on failure no
// JPEG may be left.

#include "FuzzCheck.h"
#include "encoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <turbojpeg.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

bool Exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void CheckJpeg(const std::string &path, int want_w, int want_h) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    fuzz::Check(!bytes.empty(), "empty thumbnail");
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, colours = 0;
    const int err = tjDecompressHeader3(tj, bytes.data(), static_cast<unsigned long>(bytes.size()),
                                        &w, &h, &sub, &colours);
    tjDestroy(tj);
    fuzz::Check(err == 0, "thumbnail is not a JPEG");
    fuzz::Check(w == want_w && h == want_h, "thumbnail of another size");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const std::string path = fuzz::WorkPath("clip");
    static const std::string jpeg = fuzz::WorkPath("thumb.jpg");
    fuzz::WriteWhole(path, data, size);
    static const char *const kSizes[] = {"64x48", "48x64", "100x30"};
    static const int kW[] = {64, 48, 100}, kH[] = {48, 64, 30};
    const int pick = static_cast<int>(size % 3);
    const int seconds = static_cast<int>(size / 3 % 4);
    if (Mydll_GetPicure(path.c_str(), seconds, kSizes[pick], jpeg.c_str()) == 0)
        CheckJpeg(jpeg, kW[pick], kH[pick]);
    else
        fuzz::Check(!Exists(jpeg), "a thumbnail is left after a failure");
    return 0;
}

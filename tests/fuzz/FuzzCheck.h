// What the fuzz targets share: a check that stops the run with a message, and a work file of a
// fixed name per process in a fresh folder of its own (in memory when /dev/shm is writable).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

inline void Check(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// The path of `name` in this process's scratch folder; the folder is made on first use.
inline std::string WorkPath(const char *name) {
    static const std::string folder = [] {
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/mavo-fuzz-XXXXXX";
        Check(mkdtemp(pattern.data()) != nullptr, "temporary folder");
        return pattern;
    }();
    return folder + "/" + name;
}

// Replaces the file at path with the bytes; stops the run when that fails.
inline void WriteWhole(const std::string &path, const uint8_t *data, size_t size) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr, "work file");
    Check(size == 0 || std::fwrite(data, 1, size, f) == size, "work file written");
    Check(std::fclose(f) == 0, "work file closed");
}

} // namespace fuzz

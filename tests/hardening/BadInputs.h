// Files a user may choose that the program must take calmly: broken files, things that are not
// files, a file the user may not read, and good clips under odd names. Made fresh in a folder per
// test, so the add path and the engine meet the same set.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace hardening {

enum class Outcome {
    Converts,   // a good clip: added, and converted
    Unreadable, // refused as unreadable, and its conversion fails
    NoVideo,    // has sound only
};

struct BadInput {
    const char *name;                              // the file as the user sees it
    std::function<void(const std::string &)> make; // makes it at this path
    Outcome outcome;
    bool unprivileged = false; // chosen by a user who is not root
};

// A good clip of ten minutes, among the cases.
inline constexpr const char *kTenMinutes = "ten minutes.avi";

const std::vector<BadInput> &Cases();
// Makes every case in a fresh scratch folder named for the test; returns the folder.
std::string MakeCases(const std::string &test_name);

// Every entry under the folder with its type, size and, for regular files, a hash of its bytes.
QMap<QString, QByteArray> Snapshot(const QString &dir);

// Runs `fn` as the "nobody" user when the tests run as root (root reads any file) and when the
// case asks for it; as the current user otherwise.
void RunAs(const BadInput &c, const std::function<void()> &fn);

} // namespace hardening

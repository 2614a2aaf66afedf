#include "app/Settings.h"

#include "common/Globals.h"

#include <QSettings>

namespace {
QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vidore4");
}
} // namespace

void LoadSettings() {
    QSettings store = Store();
    if (store.contains("OutputFolder"))
        path_Work = store.value("OutputFolder").toString();
    if (store.contains("KeepRatio")) {
        bool ok = false;
        const int value = store.value("KeepRatio").toInt(&ok);
        b_KeepRatio = ok && value != 0;
    }
}

void SaveSettings() {
    QSettings store = Store();
    store.setValue("OutputFolder", path_Work);
    store.setValue("KeepRatio", b_KeepRatio ? 1 : 0);
    store.sync();
}

void ChooseOutputFolder(const QString &folder) {
    path_Work = WithSeparator(folder);
}

#include "desktop/OpenAddress.h"

#include <QDesktopServices>

namespace {
AddressOpener &Opener() {
    static AddressOpener opener;
    return opener;
}
} // namespace

void SetAddressOpener(AddressOpener opener) {
    Opener() = std::move(opener);
}

bool OpenAddress(const QUrl &address) {
    if (Opener())
        return Opener()(address);
    return QDesktopServices::openUrl(address);
}

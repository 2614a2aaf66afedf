#pragma once
// Every web page, mail link, file and folder the program hands to the desktop goes through
// OpenAddress, so that tests can watch what would be opened (SetAddressOpener) without starting a
// browser, a mail program or a file manager.

#include <QUrl>
#include <functional>

// Asks the desktop to open the address with the program the user chose for it. False when the
// desktop could not; callers may ignore it.
bool OpenAddress(const QUrl &address);

using AddressOpener = std::function<bool(const QUrl &address)>;

// Replaces the desktop by a function (tests). An empty function restores the desktop.
void SetAddressOpener(AddressOpener opener);

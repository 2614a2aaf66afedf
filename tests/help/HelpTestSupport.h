#pragma once
// Watches what the program would open and answers its message boxes, for the help tests.

#include "desktop/MessageBox.h"
#include "desktop/OpenAddress.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <functional>

namespace help_test {

// Every address handed to the desktop while it lives, in order; nothing is really opened.
struct OpenedAddresses {
    QList<QUrl> urls;
    OpenedAddresses() {
        SetAddressOpener([this](const QUrl &url) {
            urls << url;
            return true;
        });
    }
    ~OpenedAddresses() { SetAddressOpener(nullptr); }
    QString LastEncoded() const {
        return urls.isEmpty() ? QString() : QString::fromLatin1(urls.last().toEncoded());
    }
};

// Answers every box with the given button and keeps what was asked. While a box is "open",
// during() runs, as if the box's own event loop were handling events.
struct AnsweredBoxes {
    struct Box {
        BoxKind kind;
        QString text;
        BoxButtons buttons;
    };
    QList<Box> boxes;
    int answer;
    std::function<void()> during;
    explicit AnsweredBoxes(int answer_with) : answer(answer_with) {
        SetMessageBoxHandler([this](BoxKind kind, const QString &text, BoxButtons buttons) {
            boxes << Box{kind, text, buttons};
            if (during)
                during();
            return answer;
        });
    }
    ~AnsweredBoxes() { SetMessageBoxHandler(nullptr); }
};

} // namespace help_test

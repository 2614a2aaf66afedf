#include "desktop/MessageBox.h"

#include "common/Globals.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxHandler &Handler() {
    static MessageBoxHandler handler;
    return handler;
}
} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}

int ShowMessageBox(BoxKind kind, const QString &text, BoxButtons buttons, QWidget *parent) {
    if (Handler())
        return Handler()(kind, text, buttons);

    QMessageBox box(parent);
    switch (kind) {
    case BoxKind::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case BoxKind::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case BoxKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        break;
    case BoxKind::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    box.setWindowTitle(g_s_ApplicationTitle.isEmpty() ? QStringLiteral("Mavo Video Converter")
                                                      : g_s_ApplicationTitle);
    box.setText(text);
    switch (buttons) {
    case BoxButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case BoxButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case BoxButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    }
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (clicked == nullptr)
        clicked = box.escapeButton();
    switch (clicked != nullptr ? box.standardButton(clicked) : QMessageBox::NoButton) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return buttons == BoxButtons::YesNo ? IDNO : buttons == BoxButtons::Ok ? IDOK : IDCANCEL;
    }
}

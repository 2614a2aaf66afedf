#include "desktop/ErrorReport.h"

#include "common/Globals.h"
#include "common/MessagePort.h"
#include "desktop/Makers.h"
#include "desktop/MessageBox.h"
#include "desktop/OpenAddress.h"

namespace {

// A mail link carries its line breaks as CR LF; a lone LF becomes one too.
QByteArray MailPart(const QString &text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return QUrl::toPercentEncoding(lines);
}

} // namespace

QString ErrorConfirmationText(const QString &title) {
    return title + QStringLiteral(" has found an error.\nWould you be willing to send this data to "
                                  "us?\nPlease click \"Yes\" to send this message to us, thank "
                                  "you very much!");
}

QString ErrorMailBody(const QString &message, const QString &version) {
    return QStringLiteral("There are some errors : ") + message + QStringLiteral("\n@ Version : ") +
           version;
}

QUrl SupportMailAddress(const QString &recipient, const QString &subject, const QString &body) {
    // The "@" of an address stays as it is; everything else that is not plain is encoded.
    QByteArray link = "mailto:" + QUrl::toPercentEncoding(recipient.trimmed(), "@");
    char separator = '?';
    if (!subject.isEmpty()) {
        link += separator + QByteArray("subject=") + MailPart(subject);
        separator = '&';
    }
    if (!body.isEmpty())
        link += separator + QByteArray("body=") + MailPart(body);
    return QUrl::fromEncoded(link, QUrl::StrictMode);
}

void ComposeSupportMail(const QString &body) {
    OpenAddress(SupportMailAddress(MakersSupportMail(), g_s_ApplicationTitle, body));
}

ErrorReport::ErrorReport(int &error_count, QWidget *box_owner)
    : error_count_(error_count), box_owner_(box_owner) {}

ErrorReport::~ErrorReport() {
    Remove();
}

void ErrorReport::Install() {
    // Once the report goes, escaping errors are shown in the plain box.
    SetFallbackEventErrorReporter(
        [](const QString &what) { ShowMessageBox(BoxKind::Error, what); });
    SetEventErrorReporter([this](const QString &what) { ReportApplicationError(what); });
    installed_ = true;
}

void ErrorReport::Remove() {
    if (!installed_)
        return;
    SetEventErrorReporter(nullptr);
    installed_ = false;
}

void ErrorReport::ReportApplicationError(const QString &message) {
    if (box_open_) {
        // The box's own event loop met another error: one question at a time.
        ++error_count_;
        return;
    }
    box_open_ = true;
    const int answer =
        ShowMessageBox(BoxKind::Confirmation, ErrorConfirmationText(g_s_ApplicationTitle),
                       BoxButtons::YesNo, box_owner_);
    box_open_ = false;
    if (answer == IDYES)
        ComposeSupportMail(ErrorMailBody(message, g_s_Version));
    ++error_count_;
}

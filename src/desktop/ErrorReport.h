#pragma once
// The application's error report: an error that escapes an event handler is offered to the user
// for mailing to the makers instead of being lost, and the mail to the makers itself.

#include <QString>
#include <QUrl>

class QWidget;

// The question of the report box: the application title followed by " has found an error. ...".
QString ErrorConfirmationText(const QString &title);

// The body of the mail for an error: its message and the program's version.
QString ErrorMailBody(const QString &message, const QString &version);

// "mailto:" + recipient, then "?subject=" + subject and "&body=" + body for the parts that are
// not empty. Every part is percent-encoded, so an "&", "#" or "?" in a text cannot cut the mail
// short, and line breaks are sent as the CR LF pairs a mail link asks for.
QUrl SupportMailAddress(const QString &recipient, const QString &subject, const QString &body);

// Opens a new mail to the makers' support address (empty: the user fills it in) with the
// application title as subject and the body when it is not empty.
void ComposeSupportMail(const QString &body);

// Counts every error into the counter it is given (the main window's ErrorCount) and, while it
// is installed, receives the errors that escape event and message handlers.
class ErrorReport {
public:
    explicit ErrorReport(int &error_count, QWidget *box_owner = nullptr);
    ~ErrorReport();
    ErrorReport(const ErrorReport &) = delete;
    ErrorReport &operator=(const ErrorReport &) = delete;

    // Becomes the program's error handler; Remove (or the destructor) gives the plain box back.
    void Install();
    void Remove();

    // Asks whether the error may be mailed; Yes composes the mail. The error is counted whatever
    // the answer. An error that arrives while the box is open is counted and not shown.
    void ReportApplicationError(const QString &message);

private:
    int &error_count_;
    QWidget *box_owner_;
    bool box_open_ = false;
    bool installed_ = false;
};

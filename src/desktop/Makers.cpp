#include "desktop/Makers.h"

#include "MakersConfig.h"
#include "desktop/OpenAddress.h"

#include <QCoreApplication>
#include <QDir>

QString MakersHomePage() {
    return QStringLiteral(MAVO_HOME_PAGE).trimmed();
}

QString MakersSupportMail() {
    return QStringLiteral(MAVO_SUPPORT_MAIL).trimmed();
}

QString MakersCompanyName() {
    return QStringLiteral(MAVO_COMPANY_NAME);
}

QUrl HelpFileAddress(const QString &program_folder) {
    return QUrl::fromLocalFile(QDir(program_folder).filePath(kHelpFileName));
}

QUrl HomePageAddress(const QString &home_page, const QString &program_folder) {
    if (home_page.trimmed().isEmpty())
        return HelpFileAddress(program_folder);
    // "example.org" as well as "https://example.org/".
    return QUrl::fromUserInput(home_page.trimmed());
}

void OpenHomePage() {
    OpenAddress(HomePageAddress(MakersHomePage(), QCoreApplication::applicationDirPath()));
}

void OpenHelpFile() {
    OpenAddress(HelpFileAddress(QCoreApplication::applicationDirPath()));
}

#pragma once
// Who makes the program and where to find them: the web site, the support mail address and the
// company name, as the build was configured (MAVO_HOME_PAGE, MAVO_SUPPORT_MAIL,
// MAVO_COMPANY_NAME), and the user guide that lies beside the program.

#include <QString>
#include <QUrl>

// Empty when the build names no web site.
QString MakersHomePage();
// Empty when the build names no support address.
QString MakersSupportMail();
QString MakersCompanyName();

// The file name of the user guide in the program folder.
inline constexpr const char *kHelpFileName = "Help File.html";

// The user guide in the given program folder.
QUrl HelpFileAddress(const QString &program_folder);
// The web site when one is given, else the user guide: "Home" always leads somewhere useful.
QUrl HomePageAddress(const QString &home_page, const QString &program_folder);

// Open the configured web site (or the user guide) and the user guide beside the running program.
void OpenHomePage();
void OpenHelpFile();

#include "HelpTestSupport.h"
#include "common/Globals.h"
#include "common/MessagePort.h"
#include "desktop/ErrorReport.h"
#include "desktop/Makers.h"

#include <QUrlQuery>
#include <gtest/gtest.h>
#include <stdexcept>

using help_test::AnsweredBoxes;
using help_test::OpenedAddresses;

namespace {

const QString kTitle = QStringLiteral("Mavo iPod Converter");
const QString kVersion = QStringLiteral("2.1.3 Build on 20070421");

// The recipient as it stands in a mail link: percent-encoded, "@" kept.
QString EncodedRecipient() {
    return QString::fromLatin1(QUrl::toPercentEncoding(MakersSupportMail(), "@"));
}

class ErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_s_ApplicationTitle = kTitle;
        g_s_Version = kVersion;
    }
    int count = 0;
    ErrorReport report{count};
};

} // namespace

TEST_F(ErrorReportTest, YesMailsTheErrorWithSubjectThenBodyAllEncoded) {
    OpenedAddresses opened;
    AnsweredBoxes boxes(IDYES);
    report.ReportApplicationError("Access denied");

    ASSERT_EQ(boxes.boxes.size(), 1);
    EXPECT_EQ(boxes.boxes[0].kind, BoxKind::Confirmation);
    EXPECT_EQ(boxes.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(boxes.boxes[0].text,
              "Mavo iPod Converter has found an error.\nWould you be willing to send this data to "
              "us?\nPlease click \"Yes\" to send this message to us, thank you very much!");
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.LastEncoded(),
              "mailto:" + EncodedRecipient() +
                  "?subject=Mavo%20iPod%20Converter"
                  "&body=There%20are%20some%20errors%20%3A%20Access%20denied%0D%0A%40%20Version"
                  "%20%3A%202.1.3%20Build%20on%2020070421");
    EXPECT_EQ(count, 1);

    // No opens nothing and still counts.
    boxes.answer = IDNO;
    report.ReportApplicationError("Access denied");
    EXPECT_EQ(boxes.boxes.size(), 2);
    EXPECT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(count, 2);
}

TEST(SupportMail, AddressPartsThatLookLikeLinkSyntaxStayInsideTheirPart) {
    // An error text full of the characters that end a subject, start a field or a fragment.
    const QString text = "x?subject=evil&cc=a@b.c #frag 100% done\nnext";
    const QUrl url = SupportMailAddress("help desk+mavo@mavo.test", kTitle, text);
    ASSERT_TRUE(url.isValid()) << url.errorString().toStdString();
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_EQ(url.path(), "help desk+mavo@mavo.test");
    EXPECT_FALSE(url.hasFragment());
    const QUrlQuery query(url);
    const auto items = query.queryItems(QUrl::FullyDecoded);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].first, "subject");
    EXPECT_EQ(items[0].second, kTitle);
    EXPECT_EQ(items[1].first, "body");
    EXPECT_EQ(items[1].second, "x?subject=evil&cc=a@b.c #frag 100% done\r\nnext");

    // Only the parts that are there: no "?" without a subject, "?body=" without a subject.
    EXPECT_EQ(SupportMailAddress("support@mavo.test", {}, {}).toEncoded(),
              "mailto:support@mavo.test");
    EXPECT_EQ(SupportMailAddress({}, "T", {}).toEncoded(), "mailto:?subject=T");
    EXPECT_EQ(SupportMailAddress("s@m.t", {}, "b").toEncoded(), "mailto:s@m.t?body=b");
}

TEST_F(ErrorReportTest, ErrorsWhileTheBoxIsOpenAreCountedNotShown) {
    OpenedAddresses opened;
    AnsweredBoxes boxes(IDYES);
    boxes.during = [&] {
        report.ReportApplicationError("second");
        report.ReportApplicationError("third");
    };
    report.ReportApplicationError("first");
    EXPECT_EQ(boxes.boxes.size(), 1) << "one question at a time";
    EXPECT_EQ(count, 3);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_TRUE(opened.LastEncoded().contains("first"));
    EXPECT_FALSE(opened.LastEncoded().contains("second"));

    // Once the box is closed, the next error is asked about again.
    boxes.during = nullptr;
    boxes.answer = IDNO;
    report.ReportApplicationError("fourth");
    EXPECT_EQ(boxes.boxes.size(), 2);
    EXPECT_EQ(count, 4);
}

TEST_F(ErrorReportTest, InstalledItReceivesErrorsEscapingAMessageHandlerUntilRemoved) {
    OpenedAddresses opened;
    AnsweredBoxes boxes(IDYES);
    MessagePort port(
        [](UINT, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("Access denied"); });
    report.Install();
    SendMessageA(port.Handle(), 1024, 0, 0);
    ASSERT_EQ(boxes.boxes.size(), 1);
    EXPECT_EQ(boxes.boxes[0].kind, BoxKind::Confirmation);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(QUrlQuery(opened.urls[0]).queryItemValue("body", QUrl::FullyDecoded),
              "There are some errors : Access denied\r\n@ Version : 2.1.3 Build on 20070421");

    // Removed, the plain error box is back and nothing is counted or mailed.
    report.Remove();
    boxes.answer = IDOK;
    SendMessageA(port.Handle(), 1024, 0, 0);
    ASSERT_EQ(boxes.boxes.size(), 2);
    EXPECT_EQ(boxes.boxes[1].kind, BoxKind::Error);
    EXPECT_EQ(boxes.boxes[1].text, "Access denied");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(opened.urls.size(), 1);

    // A report that goes away while installed takes itself out.
    {
        int other = 0;
        ErrorReport shortlived(other);
        shortlived.Install();
    }
    SendMessageA(port.Handle(), 1024, 0, 0);
    EXPECT_EQ(boxes.boxes.last().kind, BoxKind::Error);
}

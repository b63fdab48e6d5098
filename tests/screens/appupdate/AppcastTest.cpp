#include "screens/appupdate/AppcastReader.h"
#include "screens/appupdate/UpdateCheck.h"
#include "support/AppUpdateTestSupport.h"

using namespace marlox;
using namespace marlox::screens;
using namespace marlox::testing;

namespace {

TEST(AppcastTest, ReaderAnnouncesTheFirstItemWithABuildFromExactNamesAndCharacterData) {
    using Announced = std::optional<std::tuple<QString, QString, QString>>;
    const std::tuple<const char*, QByteArray, Announced> cases[] = {
        {"later items ignored, even newer ones",
         appcastItem("120", "1.2", " https://example.com/1.2 \n") + appcastItem("130", "1.3"),
         std::tuple("120", "1.2", "https://example.com/1.2")},
        {"names are case-sensitive",
         "<Item><sparkle:version>1</sparkle:version></Item><item><Sparkle:Version>2"
         "</Sparkle:Version></item>",
         std::nullopt},
        {"another prefix for the same namespace",
         R"(<item xmlns:s="urn:marlox:appcast"><s:version>3</s:version></item>)", std::nullopt},
        {"pieces, character data sections and references joined, then trimmed",
         "<item><sparkle:version>\n 1<![CDATA[2]]>&#51;&amp;\n</sparkle:version>"
         "<sparkle:shortVersionString> <![CDATA[ 1.2 ]]> </sparkle:shortVersionString></item>",
         std::tuple("123&", "1.2", "")},
        {"text after a child element of the build no longer counts",
         "<item><sparkle:version>12<b>x</b>3</sparkle:version></item>", std::tuple("12", "12", "")},
        {"a build outside any item",
         "<sparkle:version>7</sparkle:version><item><title>x</title></item>", std::nullopt},
        {"64 characters are allowed", appcastItem(" " + QByteArray(64, '9') + " "),
         std::tuple(QString(64, '9'), QString(64, '9'), "")},
    };
    for (const auto& [name, items, expected] : cases) {
        SCOPED_TRACE(name);
        const auto read = AppcastReader::read(appcast(items));
        ASSERT_TRUE(read.hasValue());
        const auto& item = *read;
        EXPECT_EQ(item ? Announced(std::tuple(item->notice.build, item->notice.version, item->link))
                       : std::nullopt,
                  expected);
    }
}

TEST(AppcastTest, CompareBuildsTakesSignedWholeNumbersByValueAndTheRestAsVersions) {
    const std::tuple<QString, QString, int> cases[] = {
        {"+7", "7", 0},
        {"-3", "2", -1},
        {"010", "10", 0},
        {"1.0", "1", 0},
        {"1.2.1", "1.2", 1},
        {"9223372036854775807", "9223372036854775806", 1},
        {"99999999999999999999", "100", 1},
        {"000099999999999999999999", "99999999999999999999", 0},
        {"-99999999999999999999", "-100", -1},
        {"-0", "+0", 0},
    };
    for (const auto& [lhs, rhs, expected] : cases) {
        SCOPED_TRACE((lhs + " vs " + rhs).toStdString());
        EXPECT_EQ(compareBuilds(lhs, rhs), expected);
    }
}

TEST(AppcastTest, UserCheckOutcomeNamesTheNewerBuildOrWhyThereIsNone) {
    using Fetched = Result<QByteArray, AppUpdateError>;
    const QString failed = updateCheckFailedMessage;
    const QString noPage = "The appcast feed names no download page for it.";
    const QString tooLong = "The appcast feed announces a version text longer than 64 characters.";
    const std::tuple<const char*, Fetched, UpdateCheckOutcome> cases[] = {
        {"newer build with its page",
         Fetched(appcast(appcastItem("140", "1.4.0", "https://example.com/release"))),
         {"Version 1.4.0 (build 140) is available.", "", QUrl("https://example.com/release")}},
        {"same build", Fetched(appcast(appcastItem("100", "1.0"))), {upToDateMessage, "", {}}},
        {"older build", Fetched(appcast(appcastItem("99"))), {upToDateMessage, "", {}}},
        {"newer build without a page",
         Fetched(appcast(appcastItem("140", "1.4.0"))),
         {"Version 1.4.0 (build 140) is available.", noPage, {}}},
        {"a page that is no web page",
         Fetched(appcast(appcastItem("140", "", "file:///bin/sh"))),
         {"Version 140 (build 140) is available.", noPage, {}}},
        {"a version and build too long to show whole",
         Fetched(appcast(appcastItem(QByteArray(64, '9'), "1.4.0-" + QByteArray(58, 'a')))),
         {"Version 1.4.0-aaaaa…aaaaaaaaaaaa (build 99999999999…999999999999) is available.",
          noPage,
          {}}},
        {"no item with a build",
         Fetched(appcast(appcastItem(" "))),
         {failed, "The appcast feed announces no build.", {}}},
        {"a 1,000-character version, a shorter one later",
         Fetched(appcast(appcastItem("120", QByteArray(1000, '1')) + appcastItem("110", "1.1"))),
         {failed, tooLong, {}}},
        {"a 65-character build",
         Fetched(appcast(appcastItem(QByteArray(65, '9')))),
         {failed, tooLong, {}}},
        {"not well-formed",
         Fetched("<rss><item>"),
         {failed,
          "The appcast feed is not well-formed XML at line 1, column 11: Premature end of "
          "document.",
          {}}},
        {"declaring parameter entities",
         Fetched("<?xml version=\"1.0\"?>\n<!DOCTYPE rss [\n  <!ENTITY % a \"x\">]><rss/>"),
         {failed,
          "The appcast feed is not well-formed XML at line 3, column 2: The feed declares "
          "parameter entities.",
          {}}},
    };
    for (const auto& [name, fetched, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(describeUpdateCheck(fetched, "100"), expected);
    }
}

} // namespace

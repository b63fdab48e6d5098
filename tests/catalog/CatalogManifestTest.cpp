#include "catalog/CatalogManifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace marlox::catalog;

namespace {

QJsonObject minimalPackage() {
    return QJsonObject{{"id", "com.example.tc"},
                       {"name", "Timecode"},
                       {"type", "generator"},
                       {"category", "Time & Counters"},
                       {"version", "1.0"}};
}

QByteArray catalogWith(const QJsonArray& packages) {
    return QJsonDocument(QJsonObject{{"catalogVersion", "7"},
                                     {"generatedAt", "yesterday"},
                                     {"packages", packages}})
        .toJson();
}

marlox::Result<CatalogManifest, DecodingError> decodeOne(const QJsonObject& package) {
    return decodeCatalogManifest(catalogWith({package}));
}

QJsonObject with(QJsonObject object, const QString& key, const QJsonValue& value) {
    object.insert(key, value);
    return object;
}

} // namespace

TEST(CatalogManifestTest, MinimalPackageTakesDefaultsAndWritesBackOnlyItsKeys) {
    const auto catalog = decodeOne(minimalPackage());
    ASSERT_TRUE(catalog) << catalog.error().description.toStdString();
    const PackageManifest& package = catalog->packages.at(0);
    EXPECT_EQ(package.minAppVersion, "1.0.0");
    EXPECT_EQ(package.bundlePayloadPath, "");
    EXPECT_EQ(package.releaseNotes, "");
    EXPECT_FALSE(package.summary || package.thumbnailName || package.detailBullets ||
                 package.motionTemplatePayloadPath || package.motionTemplateInstallSubpath ||
                 package.downloadURL || package.sha256 || package.thumbnailURL);

    const QJsonObject written = encodePackageManifest(package);
    QStringList keys = written.keys();
    keys.sort();
    EXPECT_EQ(keys, QStringList({"bundlePayloadPath", "category", "id", "minAppVersion", "name",
                                 "releaseNotes", "type", "version"}));
}

TEST(CatalogManifestTest, NullMeansAbsentButWrongTypesFailTheWholeDocument) {
    const auto nullMin = decodeOne(with(minimalPackage(), "minAppVersion", QJsonValue::Null));
    ASSERT_TRUE(nullMin);
    EXPECT_EQ(nullMin->packages[0].minAppVersion, "1.0.0");
    const auto nullSummary = decodeOne(with(minimalPackage(), "summary", QJsonValue::Null));
    ASSERT_TRUE(nullSummary);
    EXPECT_FALSE(nullSummary->packages[0].summary.has_value());

    const QList<std::pair<QString, QJsonValue>> wrong = {
        {"summary", 3},
        {"minAppVersion", true},
        {"detailBullets", QJsonArray{"a", 2}},
        {"detailBullets", "not a list"},
        {"releaseNotes", QJsonObject{}},
        {"id", 12},
        {"version", QJsonValue::Null},
    };
    for (const auto& [key, value] : wrong) {
        const QJsonArray packages{minimalPackage(), with(minimalPackage(), key, value)};
        EXPECT_FALSE(decodeCatalogManifest(catalogWith(packages))) << key.toStdString();
    }
    for (const char* required : {"id", "name", "type", "category", "version"}) {
        QJsonObject package = minimalPackage();
        package.remove(required);
        EXPECT_FALSE(decodeOne(package)) << required;
    }
}

TEST(CatalogManifestTest, ReadsPackageTypesLenientlyAndWritesThemCanonically) {
    const QList<std::pair<QString, PackageType>> accepted = {
        {"FXPlug", PackageType::generator},    {"Generators", PackageType::generator},
        {"generator", PackageType::generator}, {"Filters", PackageType::filter},
        {"FILTER", PackageType::filter},       {"Templates", PackageType::template_},
        {"template", PackageType::template_},
    };
    for (const auto& [text, type] : accepted) {
        const auto catalog = decodeOne(with(minimalPackage(), "type", text));
        ASSERT_TRUE(catalog) << text.toStdString();
        EXPECT_EQ(catalog->packages[0].type, type);
        EXPECT_EQ(encodePackageManifest(catalog->packages[0]).value("type").toString(),
                  rawValue(type));
    }
    const auto blank = decodeOne(with(minimalPackage(), "type", " Filter"));
    ASSERT_FALSE(blank);
    EXPECT_EQ(blank.error().description, "Unsupported package type:  filter");
    EXPECT_FALSE(packageTypeFromRawValue("Filter").has_value());
    EXPECT_EQ(packageTypeFromRawValue("template"), PackageType::template_);
}

TEST(CatalogManifestTest, BlankDownloadUrlIsKeptButIsNoRemotePayload) {
    const auto catalog = decodeOne(with(minimalPackage(), "downloadURL", " \n\t "));
    ASSERT_TRUE(catalog);
    EXPECT_EQ(catalog->packages[0].downloadURL, QString(" \n\t "));
    EXPECT_FALSE(catalog->packages[0].hasRemotePayload());
    PackageManifest remote = catalog->packages[0];
    remote.downloadURL = " https://example.com/a.zip ";
    EXPECT_TRUE(remote.hasRemotePayload());
    remote.motionTemplatePayloadPath = "  ";
    EXPECT_FALSE(remote.hasMotionTemplatePayload());
}

TEST(CatalogManifestTest, RoundTripsEveryFieldAndIgnoresUnknownKeys) {
    QJsonObject full = minimalPackage();
    full.insert("summary", "Counts");
    full.insert("thumbnailName", "tc");
    full.insert("detailBullets", QJsonArray{"one", "two"});
    full.insert("minAppVersion", "2.0");
    full.insert("bundlePayloadPath", "Payloads/tc");
    full.insert("motionTemplatePayloadPath", "Templates/tc");
    full.insert("motionTemplateInstallSubpath", "Generators/Marlox");
    full.insert("downloadURL", "https://example.com/tc.zip");
    full.insert("sha256", "ABC");
    full.insert("thumbnailURL", "https://example.com/tc.png");
    full.insert("releaseNotes", "New.");
    full.insert("somethingElse", 5);
    const auto first = decodeOne(full);
    ASSERT_TRUE(first);
    const auto second = decodeCatalogManifest(encodeCatalogManifest(*first));
    ASSERT_TRUE(second);
    EXPECT_EQ(*first, *second);
    EXPECT_EQ(qHash(first->packages[0]), qHash(second->packages[0]));
    EXPECT_FALSE(encodePackageManifest(first->packages[0]).contains("somethingElse"));
}

TEST(CatalogManifestTest, RejectsDocumentsThatAreNotCatalogs) {
    EXPECT_FALSE(decodeCatalogManifest("not json"));
    EXPECT_FALSE(decodeCatalogManifest("[]"));
    EXPECT_FALSE(decodeCatalogManifest(R"({"catalogVersion":"1","generatedAt":"x"})"));
    EXPECT_FALSE(
        decodeCatalogManifest(R"({"catalogVersion":"1","generatedAt":"x","packages":[3]})"));
    EXPECT_FALSE(decodeCatalogManifest(R"({"catalogVersion":1,"generatedAt":"x","packages":[]})"));
    EXPECT_TRUE(decodeCatalogManifest(R"({"catalogVersion":"1","generatedAt":"x","packages":[]})"));
}

TEST(CategorySortKeyTest, OrdersKnownTitlesFirstThenOthersByLowercasedText) {
    EXPECT_EQ(categorySortKey("Color & Grade"), std::make_pair(2, QString("color & grade")));
    EXPECT_EQ(categorySortKey("color & grade").first, 5);
    EXPECT_EQ(categorySortKey("Time & Counters").first, 0);
    EXPECT_EQ(categorySortKey("Compositing & Keying").first, 4);
    EXPECT_LT(categorySortKey("Compositing & Keying"), categorySortKey("Audio"));
    EXPECT_LT(categorySortKey("audio"), categorySortKey("Zebra"));
}

TEST(CompareVersionsTest, ComparesDottedPartsAsIntegers) {
    struct Case {
        const char* lhs;
        const char* rhs;
        int expected;
    };
    const Case cases[] = {
        {"1.2", "1.2.0", 0},
        {"1.10", "1.9", 1},
        {"1.2-beta", "1.2", -1},
        {"r1.2", "1.2", 1},
        {"", "0", 0},
        {"-1", "0", -1},
        {"+3", "3", 0},
        {"1..2", "1.2", 0},
        {".1.", "1", 0},
        {"1.x.3", "1.3", 0},
        {"2.0", "10.0", -1},
        {"1.0.1", "1.0", 1},
        {"99999999999999999999", "0", 0},
        {"1.99999999999999999999.2", "1.2", 0},
        {"+-1", "0", 0},
        {"1.٣", "1", 0},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compareVersions(QString::fromUtf8(c.lhs), QString::fromUtf8(c.rhs)), c.expected)
            << c.lhs << " vs " << c.rhs;
        EXPECT_EQ(compareVersions(QString::fromUtf8(c.rhs), QString::fromUtf8(c.lhs)), -c.expected)
            << c.rhs << " vs " << c.lhs;
    }
}

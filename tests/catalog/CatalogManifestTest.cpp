#include "catalog/CatalogManifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

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

QByteArray sampleCatalog() {
    return R"({"catalogVersion":"3","generatedAt":"now","extra":{"a":[1,2.5e3,-0.1,true,false,null]},
  "packages":[
   {"id":"a.b","name":"Caf\u00e9 \ud83d\ude00","type":"Filters","category":"Color & Grade",
    "detailBullets":["x","y\n"],"version":"1.2","summary":null,"unknown":{"deep":[[]]}},
   {"id":"c","name":"Zeta","type":"template","category":"Other","version":"2","sha256":"AB"}
  ]})";
}

// The reference reading: Qt's own parser, then the same field rules on its objects.
std::optional<CatalogManifest> referenceDecode(const QByteArray& json) {
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    if (!root.value("catalogVersion").isString() || !root.value("generatedAt").isString() ||
        !root.value("packages").isArray()) {
        return std::nullopt;
    }
    CatalogManifest manifest{
        root.value("catalogVersion").toString(), root.value("generatedAt").toString(), {}};
    for (const QJsonValue& element : root.value("packages").toArray()) {
        auto package = decodePackageManifest(element.toObject());
        if (!element.isObject() || !package) {
            return std::nullopt;
        }
        manifest.packages.append(*package);
    }
    return manifest;
}

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

    QStringList keys = encodePackageManifest(package).keys();
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
    const std::pair<const char*, QJsonValue> optional[] = {
        {"summary", "Counts"},
        {"thumbnailName", "tc"},
        {"detailBullets", QJsonArray{"one", "two"}},
        {"minAppVersion", "2.0"},
        {"bundlePayloadPath", "Payloads/tc"},
        {"motionTemplatePayloadPath", "Templates/tc"},
        {"motionTemplateInstallSubpath", "Generators/Marlox"},
        {"downloadURL", "https://example.com/tc.zip"},
        {"sha256", "ABC"},
        {"thumbnailURL", "https://example.com/tc.png"},
        {"releaseNotes", "New."},
    };
    for (const auto& [key, value] : optional) {
        full.insert(key, value);
    }
    const auto first = decodeOne(with(full, "somethingElse", 5));
    ASSERT_TRUE(first);
    // Every field is read and written back, and nothing else is.
    EXPECT_EQ(encodePackageManifest(first->packages[0]), full);
    const auto second = decodeCatalogManifest(encodeCatalogManifest(*first));
    ASSERT_TRUE(second);
    EXPECT_EQ(*first, *second);
    EXPECT_EQ(qHash(first->packages[0]), qHash(second->packages[0]));
}

TEST(CatalogManifestTest, DecodesEscapesUnicodeAndSkipsUnknownValues) {
    const auto catalog = decodeCatalogManifest(sampleCatalog());
    ASSERT_TRUE(catalog) << catalog.error().description.toStdString();
    ASSERT_EQ(catalog->packages.size(), 2);
    EXPECT_EQ(catalog->packages[0].name, QString::fromUtf8("Café 😀"));
    EXPECT_EQ(*catalog, *referenceDecode(sampleCatalog()));
    EXPECT_TRUE(decodeCatalogManifest(R"({"catalogVersion":"1","generatedAt":"x","packages":[]})"));
}

TEST(CatalogManifestTest, RejectsMalformedJsonAndDocumentsThatAreNotCatalogs) {
    const QList<QByteArray> rejected = {
        "",
        "{",
        "{\"catalogVersion\":\"1\",}",
        "{} {}",
        "{\"a\":01}",
        "{\"a\":1.}",
        "{\"a\":-}",
        "{\"a\":tru}",
        "{\"a\":\"\\x\"}",
        "{\"a\":\"\x01\"}",
        "{\"a\":\"\xff\"}",
        "{\"a\":\"\xc0\xaf\"}",
        "{\"a\":\"\\u12\"}",
        "{'a':1}",
        "{\"a\" 1}",
        "[1,]",
        QByteArray("[").repeated(1000) + QByteArray("]").repeated(1000),
        "[]",
        R"({"catalogVersion":"1","generatedAt":"x"})",
        R"({"catalogVersion":"1","generatedAt":"x","packages":[3]})",
        R"({"catalogVersion":1,"generatedAt":"x","packages":[]})",
    };
    for (const QByteArray& json : rejected) {
        EXPECT_FALSE(decodeCatalogManifest(json)) << json.left(60).toStdString();
    }
}

// Random damage to a valid catalog: whatever the reader accepts, Qt's parser accepts too and
// reads to the same catalog. (The converse does not hold: Qt's parser also takes "-.1" and
// unknown escapes, which the JSON grammar does not.)
TEST(CatalogManifestTest, AgreesWithQtsParserOnDamagedCatalogs) {
    QRandomGenerator random(7);
    QByteArray original = sampleCatalog();
    original.replace("\\u00e9", "\xc3\xa9")
        .replace("\\ud83d\\ude00", "\xf0\x9f\x98\x80")
        .replace("\\n", "");
    ASSERT_FALSE(original.contains('\\'));
    const QByteArray alphabet = "{}[]\":,ntfu0123456789.-eE \x7f\xc3\xa9";
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray json = original;
        for (int edit = random.bounded(3); edit >= 0; --edit) {
            const int at = random.bounded(json.size());
            const char replacement = alphabet[random.bounded(alphabet.size())];
            switch (random.bounded(3)) {
            case 0:
                json[at] = replacement;
                break;
            case 1:
                json.remove(at, 1);
                break;
            default:
                json.insert(at, replacement);
            }
        }
        if (const auto ours = decodeCatalogManifest(json)) {
            const auto reference = referenceDecode(json);
            ASSERT_TRUE(reference.has_value()) << json.toStdString();
            EXPECT_EQ(*ours, *reference) << json.toStdString();
            ++accepted;
        }
    }
    EXPECT_GT(accepted, 100);
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
    const std::tuple<const char*, const char*, int> cases[] = {
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
    for (const auto& [lhs, rhs, expected] : cases) {
        EXPECT_EQ(compareVersions(QString::fromUtf8(lhs), QString::fromUtf8(rhs)), expected)
            << lhs << " vs " << rhs;
        EXPECT_EQ(compareVersions(QString::fromUtf8(rhs), QString::fromUtf8(lhs)), -expected)
            << rhs << " vs " << lhs;
    }
}

} // namespace

#include "catalog/CatalogManifest.h"
#include "catalog/JsonReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace marlox::catalog;

namespace {

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
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (!root.value("catalogVersion").isString() || !root.value("generatedAt").isString() ||
        !root.value("packages").isArray()) {
        return std::nullopt;
    }
    CatalogManifest manifest{
        root.value("catalogVersion").toString(), root.value("generatedAt").toString(), {}};
    for (const QJsonValue& element : root.value("packages").toArray()) {
        if (!element.isObject()) {
            return std::nullopt;
        }
        auto package = decodePackageManifest(element.toObject());
        if (!package) {
            return std::nullopt;
        }
        manifest.packages.append(*package);
    }
    return manifest;
}

} // namespace

TEST(CatalogJsonReadingTest, DecodesEscapesUnicodeAndSkipsUnknownValues) {
    const auto catalog = decodeCatalogManifest(sampleCatalog());
    ASSERT_TRUE(catalog) << catalog.error().description.toStdString();
    ASSERT_EQ(catalog->packages.size(), 2);
    EXPECT_EQ(catalog->packages[0].name, QString::fromUtf8("Café 😀"));
    EXPECT_EQ(catalog->packages[0].detailBullets, QStringList({"x", "y\n"}));
    EXPECT_EQ(catalog->packages[0].type, PackageType::filter);
    EXPECT_EQ(catalog->packages[1].sha256, QString("AB"));
    EXPECT_EQ(*catalog, *referenceDecode(sampleCatalog()));
}

TEST(CatalogJsonReadingTest, RejectsMalformedJson) {
    const QList<QByteArray> malformed = {
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
    };
    for (const QByteArray& json : malformed) {
        const auto result = decodeCatalogManifest(json);
        EXPECT_FALSE(result) << json.left(40).toStdString();
        EXPECT_FALSE(QJsonDocument::fromJson(json).isObject() && result)
            << json.left(40).toStdString();
    }
}

// Random damage to a valid catalog: whatever the reader accepts, Qt's parser accepts too and
// reads to the same catalog. (The converse does not hold: Qt's parser also takes "-.1" and
// unknown escapes, which the JSON grammar does not.)
TEST(CatalogJsonReadingTest, AgreesWithQtsParserOnDamagedCatalogs) {
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
        const int edits = 1 + random.bounded(3);
        for (int edit = 0; edit < edits; ++edit) {
            const int at = random.bounded(json.size());
            switch (random.bounded(3)) {
            case 0:
                json[at] = alphabet[random.bounded(alphabet.size())];
                break;
            case 1:
                json.remove(at, 1);
                break;
            default:
                json.insert(at, alphabet[random.bounded(alphabet.size())]);
            }
        }
        const auto ours = decodeCatalogManifest(json);
        const auto reference = referenceDecode(json);
        if (ours) {
            ASSERT_TRUE(reference.has_value()) << json.toStdString();
            EXPECT_EQ(*ours, *reference) << json.toStdString();
            ++accepted;
        }
    }
    EXPECT_GT(accepted, 100);
}

#include "catalog/CatalogManifest.h"

#include "CatalogTestSupport.h"

#include <QRandomGenerator>

using namespace marlox::catalog;

namespace {

QJsonDocument json(const char* text) {
    return QJsonDocument::fromJson(text);
}

// A catalog of a minimal package and a second one with `changes` made to it and `removed` taken
// out, so that a fault in the second fails a document that is otherwise fine.
marlox::Result<CatalogManifest, DecodingError> decodeWith(const QJsonObject& changes,
                                                          const QString& removed = {}) {
    const QJsonObject minimal = json(R"({"id":"com.example.tc","name":"Timecode",
        "type":"generator","category":"Time & Counters","version":"1.0"})")
                                    .object();
    QJsonObject changed = minimal;
    for (auto change = changes.begin(); change != changes.end(); ++change) {
        changed.insert(change.key(), change.value());
    }
    changed.remove(removed);
    QJsonObject root = json(R"({"catalogVersion":"7","generatedAt":"y"})").object();
    root.insert("packages", QJsonArray{minimal, changed});
    return decodeCatalogManifest(QJsonDocument(root).toJson());
}

// The catalog decode fuzzer's seed: escapes, unknown values and every optional field.
QByteArray sampleCatalog() {
    return marlox::testing::readFile(
        QStringLiteral(MARLOX_TEST_DATA_DIR "/fuzz-seeds/catalog.json"));
}

// The reference reading: Qt's own parser, then the same field rules on its objects.
std::optional<CatalogManifest> referenceDecode(const QByteArray& json) {
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    CatalogManifest manifest{
        root.value("catalogVersion").toString(), root.value("generatedAt").toString(), {}};
    bool valid = root.value("catalogVersion").isString() && root.value("generatedAt").isString() &&
                 root.value("packages").isArray();
    for (const QJsonValue& element : root.value("packages").toArray()) {
        const auto package = decodePackageManifest(element.toObject());
        valid = valid && element.isObject() && package;
        manifest.packages.append(package ? *package : PackageManifest());
    }
    return valid ? std::optional(manifest) : std::nullopt;
}

TEST(CatalogManifestTest, NullOrAbsentOptionalsTakeDefaultsButAnyWrongValueFailsTheDocument) {
    // GIVEN the minimal package THEN it has the defaults and writes only the keys always written
    const PackageManifest minimal = decodeWith({}).value().packages.at(1);
    EXPECT_EQ(minimal.minAppVersion + minimal.bundlePayloadPath + minimal.releaseNotes, "1.0.0");
    EXPECT_FALSE(minimal.summary || minimal.thumbnailName || minimal.detailBullets ||
                 minimal.motionTemplatePayloadPath || minimal.motionTemplateInstallSubpath ||
                 minimal.downloadURL || minimal.sha256 || minimal.thumbnailURL);
    QStringList keys = encodePackageManifest(minimal).keys();
    keys.sort();
    EXPECT_EQ(keys, QStringList({"bundlePayloadPath", "category", "id", "minAppVersion", "name",
                                 "releaseNotes", "type", "version"}));

    // WHEN one change is made to it THEN the accepted ones read as the minimal package does
    const QJsonObject changes = json(R"({"accepted":[{"minAppVersion":null},{"summary":null},
        {"somethingElse":5}], "rejected":[{"summary":3},{"minAppVersion":true},{"id":12},
        {"detailBullets":["a",2]},{"detailBullets":"not a list"},{"releaseNotes":{}},
        {"version":null}]})")
                                    .object();
    for (const QString outcome : {"accepted", "rejected"}) {
        for (const QJsonValue& change : changes.value(outcome).toArray()) {
            SCOPED_TRACE(QJsonDocument(change.toObject()).toJson(QJsonDocument::Compact).data());
            const auto catalog = decodeWith(change.toObject());
            ASSERT_EQ(catalog.hasValue(), outcome == "accepted");
            EXPECT_TRUE(!catalog || catalog->packages.at(1) == minimal);
        }
    }
    for (const char* required : {"id", "name", "type", "category", "version"}) {
        EXPECT_FALSE(decodeWith({}, required)) << required;
    }
}

TEST(CatalogManifestTest, ShownTextsLoseDirectionControlsAndStopAtTheirLength) {
    // GIVEN a package whose shown texts hold every character that turns a direction, or are
    // longer than a screen shows, and whose id and version hold one too
    const QString turns =
        QString::fromUtf16(u"\u202A\u202B\u202C\u202D\u202E\u2066\u2067\u2068\u2069");
    const QString tooLong(maximumCatalogTextLength + 1, 'x');
    const PackageManifest package =
        decodeWith({{"id", "id" + turns},
                    {"version", "1.0" + turns},
                    {"name", "evil" + turns + "txt.exe"},
                    {"category", "Color" + turns},
                    {"summary", tooLong},
                    {"detailBullets", QJsonArray{"a" + turns + "b", tooLong}},
                    {"releaseNotes", QString(maximumCatalogTextLength, 'y') + turns}})
            .value()
            .packages.at(1);

    // THEN the shown texts read as written and stop at their length; the id, version and
    // category keep what they hold, as records and the cache name packages by them and the
    // category names the templates' folder (the screens show it cleaned)
    const QString cut = tooLong.first(maximumCatalogTextLength) + QChar(0x2026);
    EXPECT_EQ(package.name, "eviltxt.exe");
    EXPECT_EQ(package.category, "Color" + turns);
    EXPECT_EQ(package.summary, cut);
    EXPECT_EQ(package.detailBullets, QStringList({"ab", cut}));
    // Exactly as long as allowed once the controls are gone: whole, without an ellipsis.
    EXPECT_EQ(package.releaseNotes, QString(maximumCatalogTextLength, 'y'));
    EXPECT_EQ(package.id, "id" + turns);
    EXPECT_EQ(package.version, "1.0" + turns);
}

TEST(CatalogManifestTest, ReadsPackageTypesLenientlyAndWritesThemCanonically) {
    const QJsonObject canonical = json(R"({"FXPlug":"generator","Generators":"generator",
        "generator":"generator","Filters":"filter","FILTER":"filter","Templates":"template",
        "template":"template"})")
                                      .object();
    for (const QString& text : canonical.keys()) {
        const auto catalog = decodeWith({{"type", text}});
        ASSERT_TRUE(catalog) << text.toStdString();
        EXPECT_EQ(rawValue(catalog->packages[1].type), canonical.value(text));
        EXPECT_EQ(encodePackageManifest(catalog->packages[1]).value("type"), canonical.value(text));
    }
    const auto blank = decodeWith({{"type", " Filter"}});
    ASSERT_FALSE(blank);
    EXPECT_EQ(blank.error().description(), "Unsupported package type:  filter");
}

TEST(CatalogManifestTest, BlankPayloadTextIsKeptButCountsAsNoPayload) {
    const auto catalog = decodeWith({{"downloadURL", " \n\t "}});
    ASSERT_TRUE(catalog);
    PackageManifest package = catalog->packages[1];
    EXPECT_EQ(package.downloadURL, QString(" \n\t "));
    EXPECT_FALSE(package.hasRemotePayload());
    package.downloadURL = " https://example.com/a.zip ";
    package.motionTemplatePayloadPath = "  ";
    EXPECT_TRUE(package.hasRemotePayload() && !package.hasMotionTemplatePayload());
}

TEST(CatalogManifestTest, RejectsMalformedJsonAndDocumentsThatAreNotCatalogs) {
    // GIVEN values against the JSON grammar (split at '|'), each as an unknown key's value in an
    // otherwise good catalog, beside good values that are accepted there
    const auto inCatalog = [](const QByteArray& value) {
        return R"({"catalogVersion":"1","generatedAt":"x","packages":[],"extra":)" + value + "}";
    };
    const QByteArray good = R"(0|-1.5e+3|"\u00e9\né😀"|[1,{"a":null}]|true)";
    // Bad bytes in strings: a control character, a stray byte, overlong forms, a surrogate and a
    // code point beyond U+10FFFF.
    QList<QByteArray> rejected =
        QByteArray(
            R"(01|1.|-|.5|tru|"\x"|"\u12"|'a'|[1,]|{"a" 1}|{"a":1,}|1 2|)"
            "\"\x01\"|\"\xff\"|\"\xc0\xaf\"|\"\xe0\x80\xaf\"|\"\xf0\x80\x80\xaf\"|\"\xed\xa0\x80\"|"
            "\"\xf4\x90\x80\x80\"")
            .split('|');
    rejected << QByteArray("[").repeated(1000) + QByteArray("]").repeated(1000);
    for (const QByteArray& value : good.split('|')) {
        EXPECT_TRUE(decodeCatalogManifest(inCatalog(value))) << value.toStdString();
    }
    for (QByteArray& value : rejected) {
        value = inCatalog(value);
    }
    // AND documents that are no catalog
    rejected << ""
             << "{" << inCatalog("1") + " {}"
             << "[]"
             << R"({"catalogVersion":"1","generatedAt":"x"})"
             << R"({"catalogVersion":"1","generatedAt":"x","packages":[3]})"
             << R"({"catalogVersion":1,"generatedAt":"x","packages":[]})";
    for (const QByteArray& json : rejected) {
        EXPECT_FALSE(decodeCatalogManifest(json)) << json.right(60).toStdString();
    }
}

// The sample, with its escapes and unknown values, reads as Qt's parser reads it; and whatever the
// reader accepts of random damage to it, Qt's parser accepts too and reads to the same catalog.
// (The converse does not hold: Qt's parser also takes "-.1" and unknown escapes, which the JSON
// grammar does not.)
TEST(CatalogManifestTest, AgreesWithQtsParserOnTheSampleAndOnDamagedCopies) {
    const auto sample = decodeCatalogManifest(sampleCatalog());
    ASSERT_TRUE(sample) << sample.error().description().toStdString();
    ASSERT_EQ(sample->packages.size(), 2);
    EXPECT_EQ(sample->packages[0].name, QString::fromUtf8("Café 😀"));
    EXPECT_EQ(*sample, *referenceDecode(sampleCatalog()));

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
            // Removes, inserts or replaces one byte.
            const char replacement = alphabet[random.bounded(alphabet.size())];
            json.replace(random.bounded(json.size()), random.bounded(2),
                         QByteArray(random.bounded(2), replacement));
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
    EXPECT_EQ(
        QList({categorySortKey("Time & Counters").first, categorySortKey("color & grade").first,
               categorySortKey("Compositing & Keying").first}),
        QList({0, 5, 4}));
    EXPECT_LT(categorySortKey("audio"), categorySortKey("Zebra"));
}

} // namespace

#include "platform/PropertyList.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>

using namespace marlox::platform;

namespace {

const QVariantMap sample = {
    {"CFBundleIdentifier", "com.example.plugin"},
    {"LSMinimumSystemVersion", qint64(12)},
    {"NSPrincipalClass", QVariantList{"a", true, 1.5}},
    {"Nested", QVariantMap{{"Key", QString::fromUtf8("Wert ü")}}},
};

} // namespace

TEST(PropertyListTest, ReadsTheXmlAndTheBinaryFormOfOneListAlike) {
    EXPECT_TRUE(binaryPropertyList(sample).startsWith("bplist00"));
    for (const QByteArray& bytes : {xmlPropertyList(sample), binaryPropertyList(sample)}) {
        EXPECT_EQ(readPropertyList(bytes).value_or(QVariant()).toMap(), sample);
    }
}

// Only that it does not crash matters for most; truncated lists must not read whole.
TEST(PropertyListTest, MalformedOrRandomInputReadsAsLessThanTheWholeListOrNothing) {
    const QByteArray xml = xmlPropertyList(sample);
    const QByteArray binary = binaryPropertyList(sample);
    const QList<QByteArray> hostile = {
        "not a property list",
        binary.left(binary.size() / 2),
        binary.left(binary.size() - 1),
        xml.left(xml.size() / 2),
        "<?xml version=\"1.0\"?><plist><dict><key>a</key></dict></plist>",
        QByteArray("<plist>") + QByteArray(5000, '<'),
        "<plist><dict><key>a&#0;b</key><string>x</string></dict></plist>",
        "<plist><array><string>x&#0;y</string></array></plist>",
        QByteArray("<plist>") + QByteArray("<array>").repeated(20000) + QByteArray("</plist>"),
    };
    for (const QByteArray& bytes : hostile) {
        const auto result = readPropertyList(bytes);
        EXPECT_FALSE(result && result->toMap() == sample) << bytes.left(40).toStdString();
    }
    EXPECT_FALSE(readPropertyList("") || readPropertyList("bplist00"));
    // Flipped bytes of a good binary list, and random bytes behind either form's header.
    QRandomGenerator random(20261206);
    const auto randomByte = [&] { return static_cast<char>(random.bounded(256)); };
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes = binary, garbage(random.bounded(1, 300), '\0');
        for (int flip = random.bounded(1, 9); flip > 0; --flip) {
            bytes[random.bounded(bytes.size())] = randomByte();
        }
        std::ranges::generate(garbage, randomByte);
        for (const QByteArray& input : {bytes, "bplist00" + garbage, "<plist>" + garbage}) {
            (void)readPropertyList(input);
        }
    }
}

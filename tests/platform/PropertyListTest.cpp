#include "platform/PropertyList.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using marlox::platform::binaryPropertyList;
using marlox::platform::readPropertyList;
using marlox::platform::xmlPropertyList;

namespace {

QVariantMap sampleDictionary() {
    return {
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.plugin")},
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.4.1")},
        {QStringLiteral("LSMinimumSystemVersion"), qint64(12)},
        {QStringLiteral("NSPrincipalClass"), QVariantList{QStringLiteral("a"), true, 1.5}},
        {QStringLiteral("Nested"), QVariantMap{{QStringLiteral("Key"), QStringLiteral("Wert ü")}}},
    };
}

} // namespace

TEST(PropertyListTest, ReadsTheXmlAndTheBinaryFormOfOneListAlike) {
    const QVariantMap expected = sampleDictionary();
    const auto fromXml = readPropertyList(xmlPropertyList(expected));
    const auto fromBinary = readPropertyList(binaryPropertyList(expected));
    ASSERT_TRUE(fromXml.has_value());
    ASSERT_TRUE(fromBinary.has_value());
    EXPECT_EQ(fromXml->toMap(), expected);
    EXPECT_EQ(fromBinary->toMap(), expected);
    EXPECT_TRUE(binaryPropertyList(expected).startsWith("bplist00"));
}

TEST(PropertyListTest, MalformedInputReadsAsNothing) {
    const QByteArray xml = xmlPropertyList(sampleDictionary());
    const QByteArray binary = binaryPropertyList(sampleDictionary());
    const QList<QByteArray> hostile = {
        QByteArray(),
        QByteArray("not a property list"),
        QByteArray("bplist00"),
        binary.left(binary.size() / 2),
        binary.left(binary.size() - 1),
        xml.left(xml.size() / 2),
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key></dict></plist>"),
        QByteArray("<plist>") + QByteArray(5000, '<'),
        QByteArray("<plist><dict><key>a&#0;b</key><string>x</string></dict></plist>"),
        QByteArray("<plist><array><string>x&#0;y</string></array></plist>"),
        QByteArray("<plist>") + QByteArray("<array>").repeated(20000) + QByteArray("</plist>"),
    };
    for (const QByteArray& bytes : hostile) {
        // Only that it does not crash matters for most; truncated lists must not read whole.
        const auto result = readPropertyList(bytes);
        if (result) {
            EXPECT_NE(result->toMap(), sampleDictionary()) << bytes.left(40).toStdString();
        }
    }
    EXPECT_FALSE(readPropertyList(QByteArray()).has_value());
    EXPECT_FALSE(readPropertyList("bplist00").has_value());
}

TEST(PropertyListTest, SurvivesRandomGarbageAndCorruptedBinaryLists) {
    QRandomGenerator random(20261206);
    const QByteArray binary = binaryPropertyList(sampleDictionary());
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes = binary;
        const int flips = 1 + random.bounded(8);
        for (int flip = 0; flip < flips; ++flip) {
            bytes[random.bounded(bytes.size())] = static_cast<char>(random.bounded(256));
        }
        (void)readPropertyList(bytes);
        QByteArray garbage(random.bounded(1, 300), '\0');
        for (char& byte : garbage) {
            byte = static_cast<char>(random.bounded(256));
        }
        (void)readPropertyList(QByteArray("bplist00") + garbage);
        (void)readPropertyList(QByteArray("<plist>") + garbage);
    }
}

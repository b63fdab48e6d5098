#include "platform/SystemInformation.h"

#include "platform/PropertyList.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <gtest/gtest.h>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

class SystemInformationTest : public ScratchHomeTest {
protected:
    void makeApplication(const QString& path, const QVariantMap& info) const {
        writeFile(path + "/Contents/Info.plist", xmlPropertyList(info));
    }
    QString systemApplications = home.filePath("Applications");
    QString userApplications = home.filePath("home/Applications");
};

TEST_F(SystemInformationTest, FindsAnApplicationByBundleIdentifierInTheApplicationsFolders) {
    // GIVEN Motion in both folders, an unreadable bundle, a nested one and a file named like one
    const QVariantMap systemMotion{{"CFBundleIdentifier", "com.apple.motionapp"},
                                   {"CFBundleShortVersionString", "5.8"}};
    makeApplication(systemApplications + "/Motion.app", systemMotion);
    makeApplication(userApplications + "/Motion.app",
                    {{"CFBundleIdentifier", "com.apple.motionapp"}, {"CFBundleVersion", "2"}});
    writeFile(systemApplications + "/Broken.app/Contents/Info.plist", "<plist><dict><key>");
    makeApplication(systemApplications + "/Pro Apps/Final Cut Pro.app",
                    {{"CFBundleIdentifier", "com.apple.FinalCut"}});
    writeFile(userApplications + "/Compressor.app", "not a bundle");
    const LocalSystemInformation system({systemApplications, userApplications});

    // WHEN each identifier is looked up THEN the first folder's bundle answers, letter case
    // aside; nested, broken and unknown ones are not installed
    EXPECT_EQ(system.applicationInfo("com.apple.motionapp"), systemMotion);
    EXPECT_EQ(system.applicationInfo("COM.APPLE.MOTIONAPP"), systemMotion);
    for (const QString identifier : {"com.apple.FinalCut", "com.apple.Compressor", ""}) {
        EXPECT_EQ(system.applicationInfo(identifier), std::nullopt) << identifier.toStdString();
    }
}

TEST(MachineModelTest, ReadsTheFirmwaresNameWithoutTrustingItsBytes) {
    const std::pair<QByteArray, QString> cases[] = {
        {"MacBookPro18,3\n", "MacBookPro18,3"},
        {QByteArray("ThinkPad X1\0\xff garbage", 20), "ThinkPad X1"},
        {"Model \xff\xfe X", QString("Model ") + QChar(0xFFFD) + QChar(0xFFFD) + " X"},
        {"\xe2\x80", QString(2, QChar(0xFFFD))},
        {QByteArray("\0Hidden", 7), ""},
        {" \t\n", ""},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(decodeMachineModel(bytes), expected) << bytes.toHex().toStdString();
    }
}

TEST_F(SystemInformationTest, TheMachineModelIsEmptyWhenTheFirmwareFileIsMissing) {
    const QString modelFile = home.filePath("dmi/product_name");
    EXPECT_EQ(LocalSystemInformation({}, modelFile).machineModel(), "");
    writeFile(modelFile, "Studio Tower\n");
    EXPECT_EQ(LocalSystemInformation({}, modelFile).machineModel(), "Studio Tower");
}

} // namespace

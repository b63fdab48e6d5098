#include "catalog/CatalogManifest.h"
#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "support/ScratchHome.h"

#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::catalog;

namespace {

QList<PackageManifest> builtInPackages() {
    const auto catalog =
        decodeCatalogManifest(marlox::testing::readFile(urlForResource("manifest", "json")));
    EXPECT_TRUE(catalog);
    return catalog ? catalog->packages : QList<PackageManifest>{};
}

} // namespace

TEST(BuiltInPayloadsTest, EveryPayloadTheCatalogNamesIsInTheBundle) {
    marlox::testing::ScratchHome home;
    const QString resources = marlox::platform::Bundle::main().resourcePath();
    int payloads = 0;
    for (const PackageManifest& package : builtInPackages()) {
        for (const std::optional<QString>& path :
             {std::optional<QString>(package.bundlePayloadPath),
              package.motionTemplatePayloadPath}) {
            if (hasNonBlankText(path)) {
                ++payloads;
                EXPECT_TRUE(QFileInfo::exists(resources + "/" + path->trimmed()))
                    << package.id.toStdString() << ": " << path->toStdString();
            }
        }
    }
    EXPECT_EQ(payloads, 13);
}

TEST(BuiltInPayloadsTest, EveryBundleInThePayloadsHasAnIdentifierAndAnExecutable) {
    marlox::testing::ScratchHome home;
    QDirIterator items(marlox::platform::Bundle::main().resourcePath() + "/Payloads",
                       QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList bundles;
    while (items.hasNext()) {
        const QString path = items.next();
        if (!path.endsWith(".pluginkit") && !path.endsWith(".app")) {
            continue;
        }
        bundles.append(QFileInfo(path).fileName());
        const auto bundle = marlox::platform::Bundle::load(path);
        ASSERT_TRUE(bundle);
        EXPECT_FALSE(bundle->bundleIdentifier().isEmpty()) << path.toStdString();
        const QString executable = bundle->infoValue("CFBundleExecutable").toString();
        EXPECT_TRUE(QFileInfo(path + "/Contents/MacOS/" + executable).isExecutable())
            << path.toStdString();
    }
    // Seven standalone plug-ins and an application that carries two more.
    EXPECT_EQ(bundles.size(), 10) << bundles.join(", ").toStdString();
    EXPECT_TRUE(bundles.contains("ColorSuiteCurves.pluginkit"));
}

#include "ui/installed/OtherChannelInstalls.h"

#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "platform/PropertyList.h"
#include "support/CatalogFixtures.h"
#include "support/FileSupport.h"
#include "support/InstallTestSupport.h"

#include <QDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace marlox::ui;
using namespace marlox::testing;
using marlox::catalog::InstalledPackage;
using marlox::catalog::InstalledPackageStore;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

const QDateTime adoptionTime(QDate(2026, 1, 31), QTime(9, 5), Qt::UTC);

class OtherChannelInstallsTest : public ScratchHomeTest {
protected:
    QString inShared(const QString& name) const { return shared + '/' + name; }
    void makeFolder(const QString& name) const { QDir().mkpath(inShared(name)); }
    QStringList foundLines() const {
        QStringList lines;
        for (const FoundInstall& found :
             otherChannelInstalls(packages, store.installedByID(), shared)) {
            lines.append(found.catalog.id + " at " + QDir(shared).relativeFilePath(found.path));
        }
        return lines;
    }
    QList<InstalledPackage> savedRecords() const {
        const auto path = marlox::catalog::installedRecordsFileURL();
        return QFileInfo::exists(path)
                   ? marlox::catalog::decodeInstalledPackages(readFile(path)).value()
                   : QList<InstalledPackage>{};
    }

    QString shared = marlox::catalog::installFolderPath();
    QList<PackageManifest> packages;
    InstalledPackageStore store;
};

TEST_F(OtherChannelInstallsTest, FindsUnrecordedPluginsInTheSharedFolderListedByID) {
    // GIVEN a missing shared folder THEN nothing is found
    packages = {testPackage("z.alpha", PackageType::filter)};
    EXPECT_TRUE(foundLines().isEmpty());

    // GIVEN, in name order, plug-ins with folders, a plain file, a template, a recorded plug-in
    // and one without a folder
    packages = {testPackage("z.alpha", PackageType::filter),
                testPackage("kinetic", PackageType::template_),
                testPackage("m.file", PackageType::filter),
                testPackage("missing", PackageType::generator),
                testPackage("recorded", PackageType::generator),
                testPackage("a.zeta", PackageType::generator)};
    for (const char* name : {"z.alpha", "kinetic", "recorded", "a.zeta"}) {
        makeFolder(name);
    }
    writeFile(inShared("m.file"), "plain");
    store.setInstalledByID({{"recorded", adoptedRecord({packages.at(4), "x"}, adoptionTime)}});

    // THEN the plug-ins without a record are found, by id
    EXPECT_EQ(foundLines(),
              QStringList({"a.zeta at a.zeta", "m.file at m.file", "z.alpha at z.alpha"}));
}

TEST_F(OtherChannelInstallsTest, AnIDThatIsNotOnePlainVisibleNameIsNeverLookedUpNorAdopted) {
    // GIVEN something at the place each unsafe or hidden id would name
    QDir().mkpath(home.filePath("home/Documents"));
    makeFolder("a/b");
    makeFolder(".staging-blur");
    makeFolder(".blur.aside");
    for (const QString& id : QStringList{"../../Documents", "..", ".", "", "a/b", ".staging-blur",
                                         ".blur.aside", QString("blur") + QChar(0) + "x"}) {
        packages.append(testPackage(id, PackageType::generator));
    }
    // WHEN the folder is scanned and everything found adopted
    adoptAll(store, packages, shared, adoptionTime);
    // THEN nothing was found and no record written
    EXPECT_TRUE(foundLines().isEmpty());
    EXPECT_TRUE(store.installedByID().isEmpty());
    EXPECT_TRUE(savedRecords().isEmpty());
}

TEST_F(OtherChannelInstallsTest,
       AdoptedRecordTakesTheFirstApplicationByNameElseVersionOneZeroZero) {
    const auto infoWithout = [](const QString& path) {
        writeFile(path + "/Contents/Info.plist",
                  marlox::platform::xmlPropertyList(QVariantMap{{"CFBundleName", "A"}}));
    };
    struct Case {
        const char* name;
        std::function<void(const QString&)> fill;
        QString version;
    };
    const Case cases[] = {
        {"two apps, the first lacks the key",
         [&](const QString& folder) {
             makeBundle(folder + "/B.app", "b", "2.0");
             infoWithout(folder + "/A.app");
         },
         "1.0.0"},
        {"one app", [](const QString& folder) { makeBundle(folder + "/B.app", "b", "2.5.1"); },
         "2.5.1"},
        {"unreadable information",
         [](const QString& folder) {
             writeFile(folder + "/A.app/Contents/Info.plist", "not a list");
         },
         "1.0.0"},
        {"empty folder", [](const QString&) {}, "1.0.0"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.name);
        const QString folder = home.filePath(example.name);
        QDir().mkpath(folder);
        example.fill(folder);
        const auto package = testPackage("id", PackageType::filter);
        EXPECT_EQ(
            adoptedRecord({package, folder}, adoptionTime.toTimeZone(QTimeZone(13 * 3600))),
            (InstalledPackage{
                "id", example.version, "2026-01-31T09:05:00Z", PackageType::filter, folder, {}}));
    }
}

TEST_F(OtherChannelInstallsTest, AdoptAllSavesOneRecordPerFoundInstallAndChangesNoFile) {
    // GIVEN three found installs, one of them an application with a version
    packages = {testPackage("c", PackageType::generator), testPackage("a", PackageType::filter),
                testPackage("b", PackageType::generator)};
    makeBundle(inShared("a/Alpha.app"), "alpha", "4.2");
    makeFolder("b");
    writeFile(inShared("c"), "plain");
    const QStringList tree = treeSnapshot(shared);
    const QStringList times = modificationTimes(shared);
    QList<qsizetype> savedAtEachChange;
    QObject::connect(&store, &InstalledPackageStore::installedByIDChanged,
                     [&] { savedAtEachChange.append(savedRecords().size()); });

    // WHEN every found install is adopted
    adoptAll(store, packages, shared, adoptionTime);

    // THEN each record was saved before the next was stored, with the found path as its place
    EXPECT_EQ(savedAtEachChange, QList<qsizetype>({0, 1, 2}));
    QStringList saved;
    for (const InstalledPackage& record : savedRecords()) {
        saved.append(record.id + ' ' + record.version + ' ' + record.installPath + " [" +
                     record.templateInstallPaths.join(',') + ']');
    }
    EXPECT_EQ(saved,
              QStringList({"a 4.2 " + inShared("a") + " []", "b 1.0.0 " + inShared("b") + " []",
                           "c 1.0.0 " + inShared("c") + " []"}));
    EXPECT_EQ(store.installedByID().size(), 3);
    // AND the shared folder is as it was, and nothing is left to adopt
    EXPECT_EQ(treeSnapshot(shared), tree);
    EXPECT_EQ(modificationTimes(shared), times);
    EXPECT_TRUE(foundLines().isEmpty());
}

} // namespace

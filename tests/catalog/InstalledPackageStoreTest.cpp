#include "catalog/InstalledPackageStore.h"

#include "CatalogTestSupport.h"
#include "FolderEvents.h"
#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "catalog/SafePath.h"
#include "platform/PropertyList.h"
#include "support/QtPrinters.h"
#include "support/ReadOnlyFolder.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace marlox::catalog;
using marlox::testing::loggedMessages;
using marlox::testing::readFile;
using marlox::testing::ReadOnlyFolder;
using marlox::testing::writeFile;

namespace {

// Counts the times installed.json is created or replaced from its making on.
class RecordsFileWrites {
public:
    int count() { return m_events.drain("installed.json", IN_CREATE | IN_MOVED_TO); }

private:
    marlox::testing::FolderEvents m_events{QFileInfo(installedRecordsFileURL()).path(),
                                           IN_CREATE | IN_MOVED_TO};
};

InstalledPackage makeRecord(const QString& id, const QString& installPath = {},
                            const QStringList& templatePaths = {}) {
    return {id, "1.0.0", "2026-03-04T09:05:07Z", PackageType::filter, installPath, templatePaths};
}

// A record as loaded from a file that gave only its id, version and type.
InstalledPackage loadedRecord(const QString& id, const QString& version,
                              PackageType type = PackageType::template_) {
    return {id, version, "", type, "", {}};
}

class InstalledPackageStoreTest : public marlox::testing::ScratchHomeTest {
protected:
    static QString folder() { return QFileInfo(installedRecordsFileURL()).path(); }
    static void writeRecords(const QByteArray& json) { writeFile(installedRecordsFileURL(), json); }
    static QByteArray recordsFile() { return readFile(installedRecordsFileURL()); }

    static QStringList idsInFile() {
        QStringList ids;
        for (const QJsonValue& element : QJsonDocument::fromJson(recordsFile()).array()) {
            ids.append(element.toObject().value("id").toString());
        }
        return ids;
    }

    // The moved-aside copies of unreadable files, as full paths.
    static QStringList unreadableCopies() {
        QStringList paths;
        for (const QString& name :
             QDir(folder()).entryList({"installed.json.unreadable-*"}, QDir::Files)) {
            paths.append(folder() + "/" + name);
        }
        return paths;
    }

    static void save(InstalledPackageStore& store, const InstalledPackageMap& records) {
        store.setInstalledByID(records);
        store.saveToDisk();
    }
};

TEST_F(InstalledPackageStoreTest, SavesRecordsSortedByCodePointsOfTheirComposedIDs) {
    const std::pair<QStringList, QStringList> cases[] = {
        {{"b", "A", "a"}, {"A", "a", "b"}},
        {{"pkg9", "pkg10"}, {"pkg10", "pkg9"}},
        // U+FF41 sorts before U+1F600 by code point, after it by UTF-16 code unit.
        {{"\U0001F600", "\uFF41"}, {"\uFF41", "\U0001F600"}},
        // A decomposed e + acute composes to U+00E9, which sorts after "f".
        {{"e\u0301", "f"}, {"f", "e\u0301"}},
    };
    for (const auto& [ids, expected] : cases) {
        InstalledPackageMap records;
        for (const QString& id : ids) {
            records.insert(id, makeRecord(id));
        }
        InstalledPackageStore store;
        save(store, records);
        EXPECT_EQ(idsInFile(), expected);
    }
}

TEST_F(InstalledPackageStoreTest, WritesCompactRecordsWithEveryKeyInFieldOrder) {
    InstalledPackageStore store;
    save(store,
         {{"kinetic", {"kinetic", "2.1.0", "2026-03-04T09:05:07Z", PackageType::template_, "", {}}},
          {"grain",
           {"grain", "1.0", "", PackageType::generator, "/p/grain", {"/m/a \"b\"", "/m/c"}}}});
    EXPECT_EQ(recordsFile(),
              QByteArray(R"([{"id":"grain","version":"1.0","installedAtISO8601":"","packageType":)"
                         R"("generator","installPath":"/p/grain","templateInstallPaths":)"
                         R"(["/m/a \"b\"","/m/c"]},{"id":"kinetic","version":"2.1.0",)"
                         R"("installedAtISO8601":"2026-03-04T09:05:07Z","packageType":)"
                         R"("template","installPath":"","templateInstallPaths":[]}])"));
    save(store, {});
    EXPECT_EQ(recordsFile(), QByteArray("[]"));
}

TEST_F(InstalledPackageStoreTest, RecordsSurviveASaveAndALoadUnchanged) {
    const InstalledPackageMap records = {
        {"one", {"one", "1.2.3", "2026-01-02T03:04:05Z", PackageType::filter, "/a/one", {"/t/1"}}},
        {"tw\u00f6", {"tw\u00f6", "0.1", "", PackageType::template_, "", {"/t/\u00e9", "/t/x"}}},
        {"odd",
         {"odd",
          "q\"\\/\n\r\t\b\x01\x1f\x7f",
          "",
          PackageType::generator,
          "/\U0001F600/\u2028",
          {}}},
    };
    save(*std::make_unique<InstalledPackageStore>(), records);
    InstalledPackageStore reloaded;
    EXPECT_EQ(reloaded.installedByID(), records);
    EXPECT_EQ(reloaded.record("one"), records.value("one"));
    EXPECT_EQ(reloaded.record("three"), std::nullopt);
}

TEST_F(InstalledPackageStoreTest, AbsentOrNullOptionalKeysTakeTheirDefaultsAndASaveWritesThemAll) {
    writeRecords(R"([{"id":"a","version":"1"},)"
                 R"({"id":"b","version":"2","installedAtISO8601":null,"packageType":null,)"
                 R"("installPath":null,"templateInstallPaths":null,"extra":{"x":1}}])");
    InstalledPackageStore store;
    EXPECT_EQ(store.installedByID(),
              InstalledPackageMap({{"a", loadedRecord("a", "1")}, {"b", loadedRecord("b", "2")}}));
    store.saveToDisk();
    const QJsonObject first = QJsonDocument::fromJson(recordsFile()).array()[0].toObject();
    EXPECT_EQ(first.keys(), QStringList({"id", "installPath", "installedAtISO8601", "packageType",
                                         "templateInstallPaths", "version"}));
    EXPECT_TRUE(first.value("templateInstallPaths").isArray());
}

TEST_F(InstalledPackageStoreTest, LoadingWritesNothingWhenNoPathNeedsRewriting) {
    struct Case {
        const char* name;
        std::optional<QByteArray> file;
        InstalledPackageMap expected;
    };
    const Case cases[] = {
        {"no file", std::nullopt, {}},
        {"empty array", "[]", {}},
        {"duplicate ids, later wins",
         R"([{"id":"a","version":"1"},{"id":"b","version":"1"},{"id":"a","version":"2"}])",
         {{"a", loadedRecord("a", "2")}, {"b", loadedRecord("b", "1")}}},
        // An alias of a type is read as the type and written canonically only by a later save.
        {"type alias",
         R"([{"id":"a","version":"1","packageType":"FxPlug"}])",
         {{"a", loadedRecord("a", "1", PackageType::generator)}}},
    };
    for (const auto& [name, file, expected] : cases) {
        SCOPED_TRACE(name);
        QFile::remove(installedRecordsFileURL());
        if (file) {
            writeRecords(*file);
        }
        RecordsFileWrites writes;
        InstalledPackageStore store;
        EXPECT_EQ(store.installedByID(), expected);
        EXPECT_EQ(writes.count(), 0);
        EXPECT_EQ(QFileInfo::exists(installedRecordsFileURL()), file.has_value());
        if (file) {
            EXPECT_EQ(recordsFile(), *file);
        }
        store.saveToDisk();
        EXPECT_FALSE(recordsFile().contains("FxPlug"));
        EXPECT_EQ(InstalledPackageStore().installedByID(), expected);
    }
}

TEST_F(InstalledPackageStoreTest, LegacyInstallPathIsRewrittenAndTheFileWrittenOnceSortedByID) {
    const QString legacy = legacyInstallFolderPath();
    const QString current = installFolderPath();
    ASSERT_EQ(legacy, home.path() + "/home/Marlox Studio Plugins");
    ASSERT_EQ(current, home.path() + "/home/Applications/Marlox Studio Plugins");
    writeRecords(
        QJsonDocument(
            QJsonArray{
                QJsonObject{{"id", "z"},
                            {"version", "1"},
                            {"installPath", legacy + "/z"},
                            {"templateInstallPaths", QJsonArray{legacy + "/t"}}},
                QJsonObject{{"id", "b"}, {"version", "1"}, {"installPath", legacy + " Old/b"}},
                QJsonObject{{"id", "a"}, {"version", "1"}, {"installPath", "/elsewhere/a"}},
            })
            .toJson());
    RecordsFileWrites writes;
    InstalledPackageStore store;
    EXPECT_EQ(store.record("z")->installPath, current + "/z");
    EXPECT_EQ(store.record("z")->templateInstallPaths, QStringList{legacy + "/t"});
    EXPECT_EQ(store.record("b")->installPath, legacy + " Old/b");
    EXPECT_EQ(store.record("a")->installPath, "/elsewhere/a");
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(idsInFile(), QStringList({"a", "b", "z"}));
    EXPECT_EQ(InstalledPackageStore().installedByID(), store.installedByID());
}

TEST_F(InstalledPackageStoreTest, LegacyRewriteMatchesOnlyTheRootItselfOrPathsInsideIt) {
    const QString legacy = "/home/u/Marlox Studio Plugins";
    const QString current = "/home/u/Applications/Marlox Studio Plugins";
    const std::pair<QString, QString> cases[] = {
        {legacy, current},
        {legacy + "/", current + "/"},
        {legacy + "/pkg/Inner.app", current + "/pkg/Inner.app"},
        {legacy + " Old/pkg", legacy + " Old/pkg"},
        {legacy + "pkg", legacy + "pkg"},
        {"/elsewhere" + legacy, "/elsewhere" + legacy},
        {"", ""},
        {current + "/pkg", current + "/pkg"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(migrateLegacyInstallPath(path, legacy, current), expected) << path.toStdString();
    }
}

TEST_F(InstalledPackageStoreTest, UnreadableFileLoadsEmptyAndIsMovedAsideWithItsBytes) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"not JSON", "[{\"id\":"},
        {"not an array", R"({"id":"a","version":"1"})"},
        {"element not an object", R"([{"id":"a","version":"1"},7])"},
        {"missing version", R"([{"id":"a","version":"1"},{"id":"b"}])"},
        {"null id", R"([{"id":null,"version":"1"}])"},
        {"rejected package type",
         R"([{"id":"a","version":"1"},{"id":"b","version":"1","packageType":"plugin"}])"},
        {"wrong type of paths", R"([{"id":"a","version":"1","templateInstallPaths":"/x"}])"},
        {"number for version", R"([{"id":"a","version":1}])"},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        for (const QString& copy : unreadableCopies()) {
            QFile::remove(copy);
        }
        clearOperationsLog();
        writeRecords(bytes);

        InstalledPackageStore store;
        EXPECT_TRUE(store.installedByID().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(installedRecordsFileURL()));
        const QStringList copies = unreadableCopies();
        ASSERT_EQ(copies.size(), 1);
        EXPECT_EQ(readFile(copies[0]), bytes);
        EXPECT_TRUE(QFileInfo(copies[0]).fileName().contains(
            QRegularExpression(R"(^installed\.json\.unreadable-\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$)")))
            << copies[0].toStdString();
        EXPECT_EQ(
            loggedMessages(),
            QStringList{"installed.json could not be read and was moved aside to " + copies[0]});

        save(store, {{"new", makeRecord("new")}});
        EXPECT_EQ(idsInFile(), QStringList{"new"});
        EXPECT_EQ(readFile(copies[0]), bytes);
    }
}

TEST_F(InstalledPackageStoreTest, FileNotReadAtLoadIsMovedAsideBeforeASaveUnlessItIsGone) {
    struct Case {
        const char* name;
        QByteArray bytes;
        // What kept the file from being read or moved aside while the store loaded.
        bool readOnlyFolder;
        bool cacheFolderBlocked;
        bool removedByHandBeforeTheSave;
    };
    const Case cases[] = {
        {"unreadable, folder read-only", R"([{"id":"a","version":"1"},{"id":"b"}])", true, false,
         false},
        {"unreadable, removed by hand", "not JSON", true, false, true},
        {"readable, support folders failed", R"([{"id":"a","version":"1"}])", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // GIVEN a store that loaded while the file could not be read or moved aside
        for (const QString& copy : unreadableCopies()) {
            QFile::remove(copy);
        }
        ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
        writeRecords(c.bytes);
        if (c.cacheFolderBlocked) {
            QDir(cacheDirectory()).removeRecursively();
            writeFile(cacheDirectory(), "a file where the cache folder goes");
        }
        std::unique_ptr<InstalledPackageStore> store;
        {
            std::optional<ReadOnlyFolder> readOnly;
            if (c.readOnlyFolder) {
                readOnly.emplace(folder());
                ASSERT_TRUE(readOnly->holds());
            }
            store = std::make_unique<InstalledPackageStore>();
        }
        EXPECT_TRUE(store->installedByID().isEmpty());
        EXPECT_EQ(recordsFile(), c.bytes);
        EXPECT_TRUE(unreadableCopies().isEmpty());
        QFile::remove(cacheDirectory());
        if (c.removedByHandBeforeTheSave) {
            QFile::remove(installedRecordsFileURL());
        }

        // WHEN it saves
        save(*store, {{"new", makeRecord("new")}});

        // THEN the file it never read is kept aside, and the save goes ahead
        EXPECT_EQ(idsInFile(), QStringList{"new"});
        const QStringList copies = unreadableCopies();
        ASSERT_EQ(copies.size(), c.removedByHandBeforeTheSave ? 0 : 1);
        if (!copies.isEmpty()) {
            EXPECT_EQ(readFile(copies[0]), c.bytes);
        }
    }
}

TEST_F(InstalledPackageStoreTest, FailedSaveLogsOnceAndKeepsTheOldFileAndTheRecordsInMemory) {
    InstalledPackageStore store;
    save(store, {{"old", makeRecord("old")}});
    const QByteArray saved = recordsFile();
    clearOperationsLog();

    const InstalledPackageMap changed = {{"old", makeRecord("old")}, {"new", makeRecord("new")}};
    {
        ReadOnlyFolder readOnly(folder());
        ASSERT_TRUE(readOnly.holds());
        save(store, changed);
    }
    EXPECT_EQ(recordsFile(), saved);
    EXPECT_EQ(store.installedByID(), changed);
    const QStringList messages = loggedMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("saveToDisk failed: ")) << messages[0].toStdString();

    store.saveToDisk();
    EXPECT_EQ(idsInFile(), QStringList({"new", "old"}));
}

TEST_F(InstalledPackageStoreTest, ChangingTheRecordsAnnouncesItOnlyWhenTheyDiffer) {
    InstalledPackageStore store;
    QSignalSpy changed(&store, &InstalledPackageStore::installedByIDChanged);
    store.setInstalledByID({{"a", makeRecord("a")}});
    store.setInstalledByID({{"a", makeRecord("a")}});
    EXPECT_EQ(changed.size(), 1);
    store.setInstalledByID({});
    EXPECT_EQ(changed.size(), 2);
}

TEST_F(InstalledPackageStoreTest, PresenceOnDiskLooksAtTheInstallFolderThenEachTemplateFolder) {
    const QString present = home.filePath("present");
    const QString gone = home.filePath("gone");
    QDir().mkpath(present);
    const std::pair<InstalledPackage, bool> cases[] = {
        {makeRecord("folder exists", present), true},
        {makeRecord("folder gone, no templates", gone), false},
        {makeRecord("folder gone, second template remains", gone, {gone, present}), true},
        {makeRecord("no folder, template remains", "", {present}), true},
        {makeRecord("no folder, no templates"), false},
        {makeRecord("everything gone", gone, {gone}), false},
    };
    InstalledPackageStore store;
    InstalledPackageMap records;
    for (const auto& [record, expected] : cases) {
        records.insert(record.id, record);
    }
    store.setInstalledByID(records);
    for (const auto& [record, expected] : cases) {
        EXPECT_EQ(store.isPresentOnDisk(record.id), expected) << record.id.toStdString();
    }
    EXPECT_FALSE(store.isPresentOnDisk("unknown"));
}

TEST_F(InstalledPackageStoreTest, BundleVersionReadsTheFirstApplicationBundlesShortVersion) {
    const auto bundle = [&](const QString& folder, const QString& name, const QVariantMap& info) {
        writeFile(home.filePath(folder + "/" + name + "/Contents/Info.plist"),
                  marlox::platform::xmlPropertyList(info));
    };
    bundle("good", "Tool.app", {{"CFBundleShortVersionString", "2.4.1"}});
    writeFile(home.filePath("good/readme.txt"), "x");
    bundle("two", "B.app", {{"CFBundleShortVersionString", "2.0"}});
    bundle("two", "A.app", {{"CFBundleShortVersionString", "1.0"}});
    bundle("noKey", "Tool.app", {{"CFBundleVersion", "7"}});
    bundle("number", "Tool.app", {{"CFBundleShortVersionString", 3}});
    bundle("upperCase", "Tool.APP", {{"CFBundleShortVersionString", "1.0"}});
    writeFile(home.filePath("brokenPlist/Tool.app/Contents/Info.plist"), "not a plist");
    QDir().mkpath(home.filePath("empty"));
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"good", "2.4.1"},           {"two", "1.0"},
        {"noKey", std::nullopt},     {"number", std::nullopt},
        {"upperCase", std::nullopt}, {"brokenPlist", std::nullopt},
        {"empty", std::nullopt},     {"missing", std::nullopt},
    };
    for (const auto& [folder, expected] : cases) {
        EXPECT_EQ(InstalledPackageStore::bundleVersion(home.filePath(folder)), expected) << folder;
    }
}

TEST_F(InstalledPackageStoreTest, RecordWithAnUnsafeIDIsKeptButNotTrustedForPaths) {
    writeRecords(R"([{"id":"..","version":"1"},{"id":"a/b","version":"1"},{"id":"","version":"1"},)"
                 R"({"id":"ok","version":"1"}])");
    InstalledPackageStore store;
    ASSERT_EQ(store.installedByID().size(), 4);
    for (const char* unsafe : {"..", "a/b", ""}) {
        EXPECT_FALSE(store.record(unsafe)->hasSafeID()) << unsafe;
    }
    EXPECT_TRUE(store.record("ok")->hasSafeID());
    store.saveToDisk();
    EXPECT_EQ(idsInFile(), QStringList({"", "..", "a/b", "ok"}));
}

TEST(SafePathTest, AcceptsOnlyASingleNamedEntry) {
    const std::pair<QString, bool> cases[] = {
        {"package", true},
        {"com.maker.grain-2", true},
        {"...", true},
        {".hidden", true},
        {"a b", true},
        {"", false},
        {".", false},
        {"..", false},
        {"a/b", false},
        {"/", false},
        {"../x", false},
        {QString("a") + QChar(u'\0') + "b", false},
        {QString(QChar(u'\0')), false},
    };
    for (const auto& [text, safe] : cases) {
        EXPECT_EQ(isSafePathComponent(text), safe) << text.toStdString();
    }
}

} // namespace

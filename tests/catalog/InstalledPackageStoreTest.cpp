#include "catalog/InstalledPackageStore.h"

#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "catalog/OperationsLog.h"
#include "catalog/SafePath.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"
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
#include <sys/inotify.h>
#include <unistd.h>

using namespace marlox::catalog;
using marlox::testing::readFile;
using marlox::testing::ReadOnlyFolder;
using marlox::testing::ScratchHomeTest;
using marlox::testing::writeFile;

namespace {

// Counts the times installed.json is created or replaced in its folder, from the kernel's own
// record of the folder's changes.
class RecordsFileWrites {
public:
    RecordsFileWrites() : m_descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        const QString folder = QFileInfo(installedRecordsFileURL()).path();
        QDir().mkpath(folder);
        inotify_add_watch(m_descriptor, QFile::encodeName(folder).constData(),
                          IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~RecordsFileWrites() { close(m_descriptor); }

    int count() {
        alignas(inotify_event) char buffer[16384];
        ssize_t length = 0;
        while ((length = read(m_descriptor, buffer, sizeof buffer)) > 0) {
            for (char* cursor = buffer; cursor < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(cursor);
                if (event->len > 0 && qstrcmp(event->name, "installed.json") == 0 &&
                    (event->mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
                    ++m_count;
                }
                cursor += sizeof(inotify_event) + event->len;
            }
        }
        return m_count;
    }

private:
    int m_descriptor;
    int m_count = 0;
};

InstalledPackage makeRecord(const QString& id, const QString& installPath = {},
                            const QStringList& templatePaths = {}) {
    return {id,
            QStringLiteral("1.0.0"),
            QStringLiteral("2026-03-04T09:05:07Z"),
            PackageType::filter,
            installPath,
            templatePaths};
}

QStringList logLines() {
    flushOperationsLog();
    if (!QFileInfo::exists(operationsLogFilePath())) {
        return {};
    }
    return QString::fromUtf8(readFile(operationsLogFilePath())).split('\n', Qt::SkipEmptyParts);
}

int linesContaining(const QString& text) {
    const QStringList lines = logLines();
    return static_cast<int>(std::count_if(
        lines.cbegin(), lines.cend(), [&](const QString& line) { return line.contains(text); }));
}

QStringList idsInFile() {
    QStringList ids;
    for (const QJsonValue& element :
         QJsonDocument::fromJson(readFile(installedRecordsFileURL())).array()) {
        ids.append(element.toObject().value("id").toString());
    }
    return ids;
}

QStringList unreadableCopies() {
    return QDir(QFileInfo(installedRecordsFileURL()).path())
        .entryList({"installed.json.unreadable-*"}, QDir::Files);
}

class InstalledPackageStoreTest : public ScratchHomeTest {
protected:
    void writeRecords(const QByteArray& json) { writeFile(installedRecordsFileURL(), json); }
};

TEST_F(InstalledPackageStoreTest, SavesRecordsSortedByCodePointsOfTheirComposedIDs) {
    struct Case {
        QStringList ids;
        QStringList expected;
    };
    const Case cases[] = {
        {{"b", "A", "a"}, {"A", "a", "b"}},
        {{"pkg9", "pkg10"}, {"pkg10", "pkg9"}},
        // U+FF41 sorts before U+1F600 by code point, after it by UTF-16 code unit.
        {{"\U0001F600", "\uFF41"}, {"\uFF41", "\U0001F600"}},
        // A decomposed e + acute composes to U+00E9, which sorts after "f".
        {{"e\u0301", "f"}, {"f", "e\u0301"}},
    };
    for (const Case& c : cases) {
        InstalledPackageStore store;
        InstalledPackageMap records;
        for (const QString& id : c.ids) {
            records.insert(id, makeRecord(id));
        }
        store.setInstalledByID(records);
        store.saveToDisk();
        EXPECT_EQ(idsInFile(), c.expected) << c.ids.join(',').toStdString();
    }
}

TEST_F(InstalledPackageStoreTest, WritesCompactRecordsWithEveryKeyInFieldOrder) {
    InstalledPackageStore store;
    store.setInstalledByID(
        {{"kinetic", {"kinetic", "2.1.0", "2026-03-04T09:05:07Z", PackageType::template_, "", {}}},
         {"grain",
          {"grain", "1.0", "", PackageType::generator, "/p/grain", {"/m/a \"b\"", "/m/c"}}}});
    store.saveToDisk();
    EXPECT_EQ(
        readFile(installedRecordsFileURL()),
        QByteArray(R"([{"id":"grain","version":"1.0","installedAtISO8601":"","packageType":)"
                   R"("generator","installPath":"/p/grain","templateInstallPaths":["/m/a \"b\"",)"
                   R"("/m/c"]},{"id":"kinetic","version":"2.1.0","installedAtISO8601":)"
                   R"("2026-03-04T09:05:07Z","packageType":"template","installPath":"",)"
                   R"("templateInstallPaths":[]}])"));

    store.setInstalledByID({});
    store.saveToDisk();
    EXPECT_EQ(readFile(installedRecordsFileURL()), QByteArray("[]"));
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
    {
        InstalledPackageStore store;
        store.setInstalledByID(records);
        store.saveToDisk();
    }
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
    ASSERT_EQ(store.installedByID().size(), 2);
    for (const QString& id : {QStringLiteral("a"), QStringLiteral("b")}) {
        const InstalledPackage record = *store.record(id);
        EXPECT_EQ(record.installedAtISO8601, "");
        EXPECT_EQ(record.packageType, PackageType::template_);
        EXPECT_EQ(record.installPath, "");
        EXPECT_TRUE(record.templateInstallPaths.isEmpty());
    }
    store.saveToDisk();
    const QJsonObject first =
        QJsonDocument::fromJson(readFile(installedRecordsFileURL())).array()[0].toObject();
    EXPECT_EQ(first.keys(), QStringList({"id", "installPath", "installedAtISO8601", "packageType",
                                         "templateInstallPaths", "version"}));
    EXPECT_TRUE(first.value("templateInstallPaths").isArray());
}

TEST_F(InstalledPackageStoreTest, PackageTypeAliasLoadsAsItsTypeAndIsRewrittenOnlyByTheNextSave) {
    const QByteArray original = R"([{"id":"a","version":"1","packageType":"FxPlug"}])";
    writeRecords(original);
    RecordsFileWrites writes;
    InstalledPackageStore store;
    EXPECT_EQ(store.record("a")->packageType, PackageType::generator);
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(readFile(installedRecordsFileURL()), original);
    store.saveToDisk();
    EXPECT_TRUE(readFile(installedRecordsFileURL()).contains(R"("packageType":"generator")"));
}

TEST_F(InstalledPackageStoreTest, LoadingWritesNothingWhenNoPathNeedsRewriting) {
    struct Case {
        const char* name;
        std::optional<QByteArray> file;
        int expectedRecords;
        QString expectedVersionOfA;
    };
    const Case cases[] = {
        {"no file", std::nullopt, 0, {}},
        {"empty array", QByteArray("[]"), 0, {}},
        {"duplicate ids, later wins",
         QByteArray(
             R"([{"id":"a","version":"1"},{"id":"b","version":"1"},{"id":"a","version":"2"}])"),
         2, "2"},
    };
    for (const Case& c : cases) {
        QFile::remove(installedRecordsFileURL());
        if (c.file) {
            writeRecords(*c.file);
        }
        RecordsFileWrites writes;
        InstalledPackageStore store;
        EXPECT_EQ(store.installedByID().size(), c.expectedRecords) << c.name;
        if (!c.expectedVersionOfA.isEmpty()) {
            EXPECT_EQ(store.record("a")->version, c.expectedVersionOfA) << c.name;
        }
        EXPECT_EQ(writes.count(), 0) << c.name;
        EXPECT_EQ(QFileInfo::exists(installedRecordsFileURL()), c.file.has_value()) << c.name;
        if (c.file) {
            EXPECT_EQ(readFile(installedRecordsFileURL()), *c.file) << c.name;
        }
    }
}

TEST_F(InstalledPackageStoreTest, LegacyInstallPathIsRewrittenAndTheFileWrittenOnceSortedByID) {
    const QString legacy = legacyInstallFolderPath();
    const QString current = installFolderPath();
    ASSERT_EQ(legacy, home.path() + "/home/Marlox Studio Plugins");
    ASSERT_EQ(current, home.path() + "/home/Applications/Marlox Studio Plugins");
    const QJsonArray records = {
        QJsonObject{{"id", "z"},
                    {"version", "1"},
                    {"installPath", legacy + "/z"},
                    {"templateInstallPaths", QJsonArray{legacy + "/t"}}},
        QJsonObject{{"id", "b"}, {"version", "1"}, {"installPath", legacy + " Old/b"}},
        QJsonObject{{"id", "a"}, {"version", "1"}, {"installPath", "/elsewhere/a"}},
    };
    writeRecords(QJsonDocument(records).toJson());
    RecordsFileWrites writes;
    InstalledPackageStore store;
    EXPECT_EQ(store.record("z")->installPath, current + "/z");
    EXPECT_EQ(store.record("z")->templateInstallPaths, QStringList{legacy + "/t"});
    EXPECT_EQ(store.record("b")->installPath, legacy + " Old/b");
    EXPECT_EQ(store.record("a")->installPath, "/elsewhere/a");
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(idsInFile(), QStringList({"a", "b", "z"}));
    InstalledPackageStore reloaded;
    EXPECT_EQ(reloaded.installedByID(), store.installedByID());
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
        for (const QString& copy : unreadableCopies()) {
            QFile::remove(QFileInfo(installedRecordsFileURL()).path() + "/" + copy);
        }
        clearOperationsLog();
        writeRecords(bytes);

        InstalledPackageStore store;
        EXPECT_TRUE(store.installedByID().isEmpty()) << name;
        EXPECT_FALSE(QFileInfo::exists(installedRecordsFileURL())) << name;
        const QStringList copies = unreadableCopies();
        ASSERT_EQ(copies.size(), 1) << name;
        const QString copyPath = QFileInfo(installedRecordsFileURL()).path() + "/" + copies[0];
        EXPECT_EQ(readFile(copyPath), bytes) << name;
        EXPECT_TRUE(copies[0].contains(
            QRegularExpression(R"(^installed\.json\.unreadable-\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$)")))
            << copies[0].toStdString();
        EXPECT_EQ(linesContaining("moved aside to " + copyPath), 1) << name;

        store.setInstalledByID({{"new", makeRecord("new")}});
        store.saveToDisk();
        EXPECT_EQ(idsInFile(), QStringList{"new"}) << name;
        EXPECT_EQ(readFile(copyPath), bytes) << name;
    }
}

TEST_F(InstalledPackageStoreTest, UnreadableFileThatCannotBeMovedAsideIsNeverOverwritten) {
    const QByteArray bytes = "[{\"id\":\"a\",\"version\":\"1\"},{\"id\":\"b\"}]";
    ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
    writeRecords(bytes);
    const QString folder = QFileInfo(installedRecordsFileURL()).path();
    std::optional<InstalledPackageStore> store;
    {
        ReadOnlyFolder readOnly(folder);
        ASSERT_TRUE(readOnly.holds());
        store.emplace();
    }
    EXPECT_TRUE(store->installedByID().isEmpty());
    EXPECT_EQ(readFile(installedRecordsFileURL()), bytes);
    EXPECT_TRUE(unreadableCopies().isEmpty());

    store->setInstalledByID({{"new", makeRecord("new")}});
    store->saveToDisk();
    ASSERT_EQ(unreadableCopies().size(), 1);
    EXPECT_EQ(readFile(folder + "/" + unreadableCopies()[0]), bytes);
    EXPECT_EQ(idsInFile(), QStringList{"new"});
}

TEST_F(InstalledPackageStoreTest, UnreadableFileRemovedByHandNoLongerBlocksSaving) {
    ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
    writeRecords("not JSON");
    std::optional<InstalledPackageStore> store;
    {
        ReadOnlyFolder readOnly(QFileInfo(installedRecordsFileURL()).path());
        ASSERT_TRUE(readOnly.holds());
        store.emplace();
    }
    QFile::remove(installedRecordsFileURL());
    store->setInstalledByID({{"new", makeRecord("new")}});
    store->saveToDisk();
    EXPECT_EQ(idsInFile(), QStringList{"new"});
    EXPECT_TRUE(unreadableCopies().isEmpty());
}

TEST_F(InstalledPackageStoreTest, FileNotReadBecauseTheSupportFoldersFailedIsKeptBeforeASave) {
    const QByteArray bytes = R"([{"id":"a","version":"1"}])";
    writeRecords(bytes);
    writeFile(cacheDirectory(), "a file where the cache folder goes");
    {
        InstalledPackageStore store;
        EXPECT_TRUE(store.installedByID().isEmpty());
        EXPECT_EQ(readFile(installedRecordsFileURL()), bytes);
    }
    InstalledPackageStore store;
    QFile::remove(cacheDirectory());
    store.setInstalledByID({{"new", makeRecord("new")}});
    store.saveToDisk();
    ASSERT_EQ(unreadableCopies().size(), 1);
    EXPECT_EQ(readFile(QFileInfo(installedRecordsFileURL()).path() + "/" + unreadableCopies()[0]),
              bytes);
    EXPECT_EQ(idsInFile(), QStringList{"new"});
}

TEST_F(InstalledPackageStoreTest, FailedSaveLogsOnceAndKeepsTheOldFileAndTheRecordsInMemory) {
    InstalledPackageStore store;
    store.setInstalledByID({{"old", makeRecord("old")}});
    store.saveToDisk();
    const QByteArray saved = readFile(installedRecordsFileURL());
    clearOperationsLog();

    const InstalledPackageMap changed = {{"old", makeRecord("old")}, {"new", makeRecord("new")}};
    store.setInstalledByID(changed);
    {
        ReadOnlyFolder readOnly(QFileInfo(installedRecordsFileURL()).path());
        ASSERT_TRUE(readOnly.holds());
        store.saveToDisk();
    }
    EXPECT_EQ(readFile(installedRecordsFileURL()), saved);
    EXPECT_EQ(store.installedByID(), changed);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains("] saveToDisk failed: ")) << lines[0].toStdString();

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
    struct Case {
        const char* name;
        InstalledPackage record;
        bool expected;
    };
    const Case cases[] = {
        {"install folder exists", makeRecord("a", present), true},
        {"install folder gone, no templates", makeRecord("b", gone), false},
        {"install folder gone, second template remains", makeRecord("c", gone, {gone, present}),
         true},
        {"no install path, template remains", makeRecord("d", "", {present}), true},
        {"no install path, no templates", makeRecord("e"), false},
        {"everything gone", makeRecord("f", gone, {gone}), false},
    };
    InstalledPackageStore store;
    InstalledPackageMap records;
    for (const Case& c : cases) {
        records.insert(c.record.id, c.record);
    }
    store.setInstalledByID(records);
    for (const Case& c : cases) {
        EXPECT_EQ(store.isPresentOnDisk(c.record.id), c.expected) << c.name;
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
    EXPECT_FALSE(store.record("..")->hasSafeID());
    EXPECT_FALSE(store.record("a/b")->hasSafeID());
    EXPECT_FALSE(store.record("")->hasSafeID());
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

#include "catalog/InstalledPackageStore.h"

#include "CatalogTestSupport.h"
#include "catalog/InstallLocations.h"
#include "support/CatalogFixtures.h"
#include "support/ReadOnlyFolder.h"
#include "support/SmallFileSystem.h"

#include <QProcess>
#include <QRegularExpression>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <csignal>

using namespace marlox::catalog;
using namespace marlox::testing;

namespace {

// A record as a file that gave only its id and version loads it, unless told otherwise.
InstalledPackage record(const QString& id, const QString& installPath = {},
                        const QStringList& templatePaths = {}, const QString& version = "1",
                        PackageType type = PackageType::template_) {
    return {id, version, "", type, installPath, templatePaths};
}

// The kernel's record of what happens to the entries of one folder.
class FolderEvents {
public:
    FolderEvents(const QString& folder, uint32_t mask)
        : m_descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(m_descriptor, QFile::encodeName(folder).constData(), mask);
    }
    ~FolderEvents() { close(m_descriptor); }
    // Reads every event so far; how many of them were one of `mask` on the entry `name`.
    int drain(const char* name = "", uint32_t mask = 0) {
        int count = 0;
        alignas(inotify_event) char buffer[65536];
        ssize_t length = 0;
        while ((length = read(m_descriptor, buffer, sizeof buffer)) > 0) {
            for (char* cursor = buffer; cursor < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(cursor);
                count += event->len > 0 && qstrcmp(event->name, name) == 0 && (event->mask & mask);
                cursor += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }
    // False when no event came within ten seconds.
    bool await() {
        pollfd descriptor{m_descriptor, POLLIN, 0};
        return poll(&descriptor, 1, 10000) == 1;
    }

private:
    int m_descriptor;
};

class InstalledPackageStoreTest : public ScratchHomeTest {
protected:
    static QString folder() { return QFileInfo(installedRecordsFileURL()).path(); }
    static QByteArray recordsFile() { return readFile(installedRecordsFileURL()); }
    static QStringList idsInFile() {
        QStringList ids;
        for (const QJsonValue& element : QJsonDocument::fromJson(recordsFile()).array()) {
            ids.append(element.toObject().value("id").toString());
        }
        return ids;
    }
    // The moved-aside copies of unreadable files, by name.
    static QStringList unreadableCopies() { return treeOf(folder()).filter(".unreadable-"); }
    // The folder as no case before this one left it.
    static void startAfresh() {
        flushOperationsLog();
        QDir(folder()).removeRecursively();
    }
    static void save(InstalledPackageStore& store, const InstalledPackageMap& records) {
        store.setInstalledByID(records);
        store.saveToDisk();
    }

    struct LoadCase {
        enum Outcome { kept, rewritten, movedAside };
        const char* name;
        std::optional<QByteArray> file;
        QList<InstalledPackage> expected = {};
        Outcome outcome = kept;
    };
    // GIVEN the case's file, WHEN a store loads it, THEN it holds what the file holds, written
    // once only where a path moved; an unreadable file leaves it empty and is moved aside whole,
    // and that is logged. AND a later save goes ahead, writes types canonically and keeps the
    // copy whole.
    void loadThenSave(const LoadCase& c) {
        startAfresh();
        setContents(installedRecordsFileURL(), c.file);
        QDir().mkpath(folder());
        FolderEvents events(folder(), IN_CREATE | IN_MOVED_TO);
        InstalledPackageStore store;

        EXPECT_EQ(store.installedByID(), recordsByID(c.expected));
        EXPECT_EQ(events.drain("installed.json", IN_CREATE | IN_MOVED_TO),
                  c.outcome == LoadCase::rewritten);
        const QStringList copies = unreadableCopies();
        ASSERT_EQ(copies.size(), c.outcome == LoadCase::movedAside ? 1 : 0);
        const QString copy = copies.isEmpty() ? QString() : folder() + "/" + copies[0];
        if (c.outcome == LoadCase::rewritten) {
            EXPECT_EQ(recordsByID(decodeInstalledPackages(recordsFile()).value()),
                      recordsByID(c.expected));
        } else {
            EXPECT_EQ(contentsOf(installedRecordsFileURL()),
                      c.outcome == LoadCase::kept ? c.file : std::nullopt);
        }
        if (c.outcome == LoadCase::movedAside) {
            const QRegularExpression name(R"(^installed\.json\.unreadable-[-\d]{10}T[:\d]{8}Z$)");
            EXPECT_TRUE(name.match(copies[0]).hasMatch()) << copies[0].toStdString();
            EXPECT_EQ(
                loggedMessages(),
                QStringList{"installed.json could not be read and was moved aside to " + copy});
        }

        InstalledPackageMap saved = recordsByID(c.expected);
        saved.insert("new", record("new"));
        save(store, saved);
        EXPECT_FALSE(recordsFile().contains("FxPlug"));
        EXPECT_EQ(InstalledPackageStore().installedByID(), saved);
        EXPECT_EQ(contentsOf(copy), c.outcome == LoadCase::movedAside ? c.file : std::nullopt);
    }
};

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

TEST_F(InstalledPackageStoreTest, RecordsSurviveASaveAndALoadUnchangedSortedByTheirComposedIDs) {
    InstalledPackageMap records = recordsByID({
        {"one", "1.2.3", "2026-01-02T03:04:05Z", PackageType::filter, "/a/one", {"/t/1"}},
        {"tw\u00f6", "0.1", "", PackageType::template_, "", {"/t/\u00e9", "/t/x"}},
        {"odd", "q\"\\/\n\r\t\b\x01\x1f\x7f", "", PackageType::generator, "/\U0001F600/\u2028", {}},
    });
    for (const char* id : {"b", "A", "a", "pkg9", "pkg10", "", "..", "a/b", "\U0001F600", "\uFF41",
                           "e\u0301", "f"}) {
        records.insert(id, record(id));
    }
    InstalledPackageStore store;
    QSignalSpy changed(&store, &InstalledPackageStore::installedByIDChanged);
    save(store, records);
    store.setInstalledByID(records);
    EXPECT_EQ(changed.size(), 1);
    // Code point by code point, not by UTF-16 unit (U+FF41 before U+1F600), not by number, and a
    // decomposed e + acute as the composed U+00E9.
    EXPECT_EQ(idsInFile(), QStringList({"", "..", "A", "a", "a/b", "b", "f", "odd", "one", "pkg10",
                                        "pkg9", "tw\u00f6", "e\u0301", "\uFF41", "\U0001F600"}));
    InstalledPackageStore reloaded;
    EXPECT_EQ(reloaded.installedByID(), records);
    EXPECT_EQ(reloaded.record("one"), records.value("one"));
    EXPECT_EQ(reloaded.record("three"), std::nullopt);
}

TEST_F(InstalledPackageStoreTest, LoadsEveryReadableFileAsItIsWithoutWritingIt) {
    const LoadCase cases[] = {
        {"no file", std::nullopt},
        {"empty array", "[]"},
        {"absent, null and unknown keys",
         R"([{"id":"a","version":"1"},{"id":"b","version":"1","installedAtISO8601":null,)"
         R"("packageType":null,"installPath":null,"templateInstallPaths":null,"extra":{"x":1}}])",
         {record("a"), record("b")}},
        {"duplicate ids, later wins",
         R"([{"id":"a","version":"1"},{"id":"b","version":"1"},{"id":"a","version":"2"}])",
         {record("a", {}, {}, "2"), record("b")}},
        // An alias of a type is read as the type and written canonically only by a later save.
        {"type alias",
         R"([{"id":"a","version":"1","packageType":"FxPlug"}])",
         {record("a", {}, {}, "1", PackageType::generator)}},
        {"unsafe ids are kept",
         R"([{"id":"..","version":"1"},{"id":"a/b","version":"1"}])",
         {record(".."), record("a/b")}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        loadThenSave(c);
    }
}

TEST_F(InstalledPackageStoreTest, MovesRecordsOutOfTheLegacyInstallFolderAndWritesThemOnce) {
    const QString legacy = legacyInstallFolderPath();
    const QString current = installFolderPath();
    // Only the legacy root itself and what is inside it move, never a sibling sharing its name's
    // beginning; template paths stay.
    loadThenSave(
        {"legacy paths",
         encodeInstalledPackages({record("z", legacy + "/z", {legacy + "/t"}), record("y", legacy),
                                  record("x", legacy + "/"), record("b", legacy + " Old/b"),
                                  record("c", legacy + "c"), record("a", "/a" + legacy)}),
         {record("z", current + "/z", {legacy + "/t"}), record("y", current),
          record("x", current + "/"), record("b", legacy + " Old/b"), record("c", legacy + "c"),
          record("a", "/a" + legacy)},
         LoadCase::rewritten});
}

TEST_F(InstalledPackageStoreTest, MovesAnUnreadableFileAsideWholeAndLoadsNothing) {
    for (const char* unreadable :
         {"[{\"id\":", R"({"id":"a","version":"1"})", R"([{"id":"a","version":"1"},{"id":"b"}])",
          R"([{"id":"b","version":"1","packageType":"plugin"}])", R"([{"id":"a","version":1}])"}) {
        SCOPED_TRACE(unreadable);
        loadThenSave({unreadable, unreadable, {}, LoadCase::movedAside});
    }
}

TEST_F(InstalledPackageStoreTest, FileNotReadAtLoadIsMovedAsideBeforeASave) {
    // GIVEN a store that loaded while its folder was read-only, so it could neither read the
    // file nor move it aside
    const QByteArray bytes = "[{\"id\":\"b\"}]";
    ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
    writeFile(installedRecordsFileURL(), bytes);
    std::optional<ReadOnlyFolder> readOnly(folder());
    ASSERT_TRUE(readOnly->holds());
    InstalledPackageStore store;
    readOnly.reset();
    EXPECT_TRUE(store.installedByID().isEmpty());
    EXPECT_EQ(recordsFile(), bytes);
    EXPECT_TRUE(unreadableCopies().isEmpty());

    // WHEN it saves
    save(store, recordsByID({record("new")}));

    // THEN the file it never read is kept aside, and the save goes ahead
    EXPECT_EQ(idsInFile(), QStringList{"new"});
    const QStringList copies = unreadableCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readFile(folder() + "/" + copies[0]), bytes);
}

TEST_F(InstalledPackageStoreTest, AFileOverItsBoundIsLoggedAndKeptInPlaceUntilASaveKeepsItAside) {
    // GIVEN an installed.json one byte larger than any is read, holding no data (a sparse file)
    ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
    const QString path = installedRecordsFileURL();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(maximumRecordsFileBytes + 1));
    file.close();

    // WHEN a store loads
    InstalledPackageStore store;

    // THEN it starts empty, the file stays where it is, and one line says so
    EXPECT_TRUE(store.installedByID().isEmpty());
    EXPECT_EQ(QFileInfo(path).size(), maximumRecordsFileBytes + 1);
    EXPECT_TRUE(unreadableCopies().isEmpty());
    EXPECT_EQ(loggedMessages(),
              QStringList{"installed.json was not read, being larger than 16 MiB; it is kept "
                          "where it is: " +
                          path});

    // AND a save keeps it aside whole before it writes the records
    save(store, recordsByID({record("new")}));
    EXPECT_EQ(idsInFile(), QStringList{"new"});
    const QStringList copies = unreadableCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(QFileInfo(folder() + "/" + copies[0]).size(), maximumRecordsFileBytes + 1);
}

TEST_F(InstalledPackageStoreTest, FailedSaveLogsOnceAndKeepsTheOldFileAndTheRecordsInMemory) {
    InstalledPackageStore store;
    save(store, recordsByID({record("old")}));
    const QByteArray saved = recordsFile();
    clearOperationsLog();
    {
        ReadOnlyFolder readOnly(folder());
        ASSERT_TRUE(readOnly.holds());
        save(store, recordsByID({record("old"), record("new")}));
    }
    EXPECT_EQ(recordsFile(), saved);
    EXPECT_EQ(store.installedByID(), recordsByID({record("old"), record("new")}));
    const QStringList messages = loggedMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("saveToDisk failed: ")) << messages[0].toStdString();
    store.saveToDisk();
    EXPECT_EQ(idsInFile(), QStringList({"new", "old"}));
}

TEST_F(InstalledPackageStoreTest, ASaveIntoAReadOnlyFolderSaysSoInTheSystemsWords) {
    InstalledPackageStore store;
    save(store, recordsByID({record("old")}));
    // GIVEN the records' folder made read-only
    ReadOnlyFolder readOnly(folder());
    ASSERT_TRUE(readOnly.holds());

    // WHEN a save is made THEN it fails, naming the file, its folder and the system's reason
    store.setInstalledByID(recordsByID({record("old"), record("new")}));
    const auto failure = store.saveToDisk();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->description(), "The file “" + installedRecordsFileURL() +
                                          "” could not be saved: its folder “" + folder() +
                                          "” cannot be written: Permission denied");
}

TEST_F(InstalledPackageStoreTest, ASaveIntoAnImmutableFolderSaysSoInTheSystemsWords) {
    InstalledPackageStore store;
    save(store, recordsByID({record("old")}));
    // GIVEN the records' folder made immutable, where the system lets the test
    QProcess chattr;
    chattr.start("chattr", {"+i", folder()});
    if (!chattr.waitForFinished() || chattr.exitStatus() != QProcess::NormalExit ||
        chattr.exitCode() != 0) {
        const QByteArray reason = chattr.readAllStandardError().trimmed();
        GTEST_SKIP() << "The folder cannot be made immutable here: "
                     << (reason.isEmpty() ? chattr.errorString().toStdString()
                                          : reason.toStdString());
    }

    // WHEN a save is made THEN it fails, naming the file, its folder and the system's reason
    store.setInstalledByID(recordsByID({record("old"), record("new")}));
    const auto failure = store.saveToDisk();
    QProcess::execute("chattr", {"-i", folder()});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->description(), "The file “" + installedRecordsFileURL() +
                                          "” could not be saved: its folder “" + folder() +
                                          "” cannot be written: Operation not permitted");
}

TEST_F(InstalledPackageStoreTest, ASaveAFullDiskCannotTakeIsAnsweredAsFailedAndLeavesTheFileWhole) {
    // GIVEN records saved on a small file system, which is then filled with some room left or
    // none
    SmallFileSystem disk(folder());
    MARLOX_SKIP_WITHOUT(disk);
    InstalledPackageStore store;
    save(store, recordsByID({record("old")}));
    const QByteArray saved = recordsFile();
    for (const qint64 left : {0, 4096}) {
        SCOPED_TRACE(left);
        disk.fill(left);

        // WHEN records larger than the room left are saved
        InstalledPackageMap more = recordsByID({record("old")});
        for (int number = 0; number < 40; ++number) {
            more.insert(QString("new-%1").arg(number), record(QString("new-%1").arg(number)));
        }
        store.setInstalledByID(more);
        const auto failure = store.saveToDisk();

        // THEN the save is answered as failed in the system's words and the file keeps its bytes
        ASSERT_TRUE(failure);
        EXPECT_TRUE(failure->description().endsWith("No space left on device"))
            << failure->description().toStdString();
        EXPECT_EQ(recordsFile(), saved);
        disk.makeRoom();
    }
}

TEST_F(InstalledPackageStoreTest, RecordsAtTheReadBoundAreSavedAndOnePastItAreRefused) {
    // GIVEN records whose file takes exactly as much as a start reads, the version of one filling
    // what the rest leave
    InstalledPackageStore store;
    InstalledPackageMap records = recordsByID({record("glow"), record("other")});
    const qint64 rest = encodeInstalledPackages(records.values()).size();
    records["glow"].version += QString(maximumRecordsFileBytes - rest, 'x');
    ASSERT_EQ(encodeInstalledPackages(records.values()).size(), maximumRecordsFileBytes);

    // WHEN they are saved, THEN the next start reads them back
    store.setInstalledByID(records);
    EXPECT_FALSE(store.saveToDisk());
    EXPECT_EQ(readInstalledRecords(), records);
    const QByteArray saved = recordsFile();
    clearOperationsLog();

    // WHEN one character more is saved, THEN the save is refused and logged, and the file keeps
    // what the start can read
    records["other"].version += 'x';
    store.setInstalledByID(records);
    const auto refused = store.saveToDisk();
    ASSERT_TRUE(refused);
    const QString reason = "The installed records would take 16.0 MiB, more than the 16 MiB a "
                           "start reads; installed.json was not changed.";
    EXPECT_EQ(refused->description(), reason);
    EXPECT_EQ(loggedMessages(), QStringList{"saveToDisk failed: " + reason});
    EXPECT_EQ(recordsFile(), saved);
}

TEST_F(InstalledPackageStoreTest, PresenceOnDiskLooksAtTheInstallFolderThenEachTemplateFolder) {
    const QString in = home.filePath("present"), out = home.filePath("gone");
    QDir().mkpath(in);
    const std::pair<InstalledPackage, bool> cases[] = {
        {record("folder", in), true},
        {record("2nd", out, {out, in}), true},
        {record("nothing"), false},
        {record("all gone", out, {out}), false},
    };
    InstalledPackageStore store;
    for (const auto& [each, expected] : cases) {
        store.setInstalledByID(recordsByID({each}));
        EXPECT_EQ(store.isPresentOnDisk(each.id), expected) << each.id.toStdString();
    }
    EXPECT_FALSE(store.isPresentOnDisk("unknown"));
}

constexpr int recordCount = 1000;

// Reads the child's progress lines until `line` has come.
bool awaitLine(QProcess& child, const QByteArray& line) {
    while (child.canReadLine() || child.waitForReadyRead(10000)) {
        if (child.canReadLine() && child.readLine().trimmed() == line) {
            return true;
        }
    }
    return false;
}

// What is on disk at this moment is what a crash at this moment would leave behind.
void expectWholeRecordsFile() {
    const auto records = decodeInstalledPackages(readFile(installedRecordsFileURL()));
    ASSERT_TRUE(records.hasValue()) << records.error().description().toStdString();
    ASSERT_EQ(records->size(), recordCount);
    for (const InstalledPackage& record : *records) {
        ASSERT_EQ(record.version, records->first().version);
    }
}

using InstalledRecordsCrashTest = InstalledPackageStoreTest;

TEST_F(InstalledRecordsCrashTest, ASaveCaughtMidwayOrKilledNeverLeavesAPartialRecordsFile) {
    // GIVEN a child that saves in a loop, watched for anything it does in the records folder
    ASSERT_EQ(ensureApplicationDirectories(), std::nullopt);
    FolderEvents activity(folder(), IN_OPEN | IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM);
    QProcess child;
    child.start(QStringLiteral(MARLOX_SAVE_LOOP_PATH), {QString::number(recordCount)});
    ASSERT_TRUE(child.waitForStarted()) << child.errorString().toStdString();
    const auto pid = static_cast<pid_t>(child.processId());
    ASSERT_TRUE(awaitLine(child, "saved"));
    for (int sample = 0; sample < 16; ++sample) {
        SCOPED_TRACE(sample);
        // WHEN it is frozen, and the last time killed, the moment a save touches the folder
        const bool last = sample == 15;
        activity.drain();
        ASSERT_TRUE(awaitLine(child, "writing"));
        ASSERT_TRUE(activity.await());
        if (last) {
            child.kill();
            child.waitForFinished();
        } else {
            ::kill(pid, SIGSTOP);
        }

        // THEN the file holds one whole generation of records
        ASSERT_NO_FATAL_FAILURE(expectWholeRecordsFile());
        if (!last) {
            ::kill(pid, SIGCONT);
            ASSERT_TRUE(awaitLine(child, "saved"));
        }
    }
}

TEST(RecordedEntriesTest, TheFirstEntryOfTheRecordsIDAndVersionWinsElseTheFirstOfItsID) {
    // GIVEN a catalog listing "dup" three times, twice at 1.0.0
    const QList<PackageManifest> catalog = {
        namedPackage("a", "A"), namedPackage("dup", "Alpha", "1.0.0"),
        namedPackage("dup", "Beta", "2.0.0"), namedPackage("dup", "Zulu", "1.0.0")};
    const RecordedEntries entries(catalog);
    // The record's id and version, and the name of the entry it stands for.
    const std::tuple<QString, QString, std::optional<QString>> cases[] = {
        {"dup", "2.0.0", "Beta"}, {"dup", "1.0.0", "Alpha"},       {"dup", "3.0.0", "Alpha"},
        {"a", "9", "A"},          {"gone", "1.0.0", std::nullopt},
    };
    for (const auto& [id, version, name] : cases) {
        // WHEN the entry of a record of that id and version is looked up THEN it is that one
        const auto entry = entries.entryFor(testRecord(id, version));
        EXPECT_EQ(entry ? std::optional(entry->name) : std::nullopt, name)
            << id.toStdString() << ' ' << version.toStdString();
    }
}

} // namespace

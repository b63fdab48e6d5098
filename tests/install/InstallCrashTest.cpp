#include "catalog/InstalledPackageStore.h"
#include "catalog/OperationsLog.h"
#include "install/FileOperations.h"
#include "install/InstallJournal.h"
#include "support/FileSupport.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"
#include "support/SmallFileSystem.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <set>

using namespace marlox::install;
using namespace marlox::testing;
using namespace marlox::catalog;

namespace {

const QString packageID = "studio.marlox.glow";

// One file operation of the driver's trace: its number, the call and the path.
struct Operation {
    long number = 0;
    QString call;
    QString path;
};

// The driver run once to its end, then once per chosen point, killed before that file operation;
// after each kill the journal is replayed as a fresh start does.
class InstallCrashTest : public EngineTest {
protected:
    // The Motion Templates library is there from the start on, as the application makes it.
    void SetUp() override { QDir().mkpath(templatesRoot); }

    // The disk as the user and the next start see it: both target folders, the records, the
    // support folder's top level and the cache's contents (the log and the empty folders the
    // application makes for itself aside).
    QString diskState() const {
        QStringList state = treeSnapshot(installRoot) + treeSnapshot(templatesRoot);
        const QString support = applicationSupportDirectory();
        for (const QString& name :
             QDir(support).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            if (name != "Logs" && name != "Cache") {
                state.append("support: " + name);
            }
        }
        state.append(treeSnapshot(cacheDirectory()));
        // A registration made anew gets a new UUID in every run.
        for (const QString& line : registryTool.isEmpty() ? QStringList() : registryFileLines()) {
            state.append("registered: " + line.section(' ', 0, -2));
        }
        if (!QFileInfo(templatesRoot).isDir()) {
            state.append("the Motion Templates library is gone");
        }
        return state.join('\n');
    }
    // The start's log lines about journals it did not act on.
    static QStringList refusedJournals() {
        const auto log = contentsOf(operationsLogFilePath()).value_or(QByteArray());
        return QString::fromUtf8(log).split('\n').filter("Install journal ignored");
    }
    // The version installed.json gives the package, or "none".
    static QString recordedVersion() {
        const auto records = readInstalledRecords();
        EXPECT_TRUE(records) << "installed.json cannot be read";
        return records && records->contains(packageID) ? records->value(packageID).version : "none";
    }

    void writeCatalog(const PackageManifest& first, const PackageManifest& second) {
        writeFile(catalogPath, encodeCatalogManifest({"1", "now", {first, second}}));
    }
    static PackageManifest glow(const QString& version, const QString& payloadPath) {
        return package(packageID, payloadPath, PackageType::generator, version);
    }
    // A package of Motion Templates alone, from a zip of template folders.
    static PackageManifest templates(const QString& version, const QString& zipPath) {
        PackageManifest titles = glow(version, "");
        titles.type = PackageType::template_;
        titles.motionTemplatePayloadPath = zipPath;
        titles.motionTemplateInstallSubpath = "Titles/Marlox Studio";
        return titles;
    }
    // A plug-in bundle whose files differ between the versions; without an identifier, so that
    // the registrar makes one call for it and each run stays short.
    void makePlugin(const QString& folder, const QString& version) const {
        makeBundle(folder + "/Glow.pluginkit", "", version);
        writeFile(folder + "/Glow.pluginkit/Contents/Resources/only-" + version + ".txt",
                  version.toUtf8());
    }

    // Runs the driver in a mode; killed (true) or its exit status and output checked: 0, or
    // given back through `status` where one is asked for.
    bool runDriver(const QString& mode, long killBefore, QByteArray* trace = nullptr,
                   int* status = nullptr) const {
        QProcess driver;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString home = QDir::homePath();
        environment.insert("MARLOX_COUNTED_FOLDERS", home + "/Applications:" + home + "/Movies:" +
                                                         applicationSupportDirectory());
        environment.insert("MARLOX_UNCOUNTED_FOLDER", logsDirectory());
        environment.insert("MARLOX_KILL_BEFORE", QString::number(killBefore));
        if (!archiveTool.isEmpty()) {
            environment.insert("MARLOX_DITTO", archiveTool);
        }
        if (!registryTool.isEmpty()) {
            environment.insert("MARLOX_PLUGINKIT", registryTool);
        }
        if (trace) {
            environment.insert("MARLOX_TRACE", "1");
        }
        driver.setProcessEnvironment(environment);
        driver.start(MARLOX_CRASH_DRIVER_PATH, {bundle, mode});
        EXPECT_TRUE(driver.waitForFinished(30000)) << mode.toStdString();
        const QByteArray errors = driver.readAllStandardError();
        if (trace) {
            *trace = errors;
        }
        if (driver.exitStatus() == QProcess::CrashExit) {
            // Only the planned kill counts as one; any other signal is a crash of the driver.
            EXPECT_EQ(driver.exitCode(), SIGKILL)
                << mode.toStdString() << " ended by signal " << driver.exitCode() << ": "
                << errors.toStdString();
            return driver.exitCode() == SIGKILL;
        }
        if (status) {
            *status = driver.exitCode();
        } else {
            EXPECT_EQ(driver.exitCode(), 0) << mode.toStdString() << ": " << errors.toStdString();
        }
        return false;
    }

    void saveHome() const {
        removeItem(snapshot);
        ASSERT_FALSE(copyItem(QDir::homePath(), snapshot));
    }
    void restoreHome() const {
        ASSERT_FALSE(removeItem(QDir::homePath()));
        ASSERT_FALSE(copyItem(snapshot, QDir::homePath()));
    }

    static QList<Operation> parseTrace(const QByteArray& trace) {
        QList<Operation> operations;
        for (const QByteArray& line : trace.split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            bool counted = false;
            const long number = fields.value(0).toLong(&counted);
            if (counted && fields.size() >= 3) {
                operations.append(
                    {number, QString::fromUtf8(fields[1]),
                     QString::fromUtf8(line.mid(fields[0].size() + fields[1].size() + 2))});
            }
        }
        return operations;
    }

    // Before and after every rename (where an item moves or a saved file takes its place), and
    // before the first and the middle of the other operations between two renames: the copies,
    // the deletions, the new journals and records files; and at the end.
    static std::set<long> killPoints(const QList<Operation>& operations) {
        std::set<long> points{operations.last().number + 1};
        qsizetype runStart = 0;
        for (qsizetype index = 0; index <= operations.size(); ++index) {
            const bool atRename = index < operations.size() && operations[index].call == "rename";
            if (index < operations.size() && !atRename) {
                continue;
            }
            if (runStart < index) {
                points.insert(
                    {operations[runStart].number, operations[(runStart + index) / 2].number});
            }
            if (atRename) {
                points.insert({operations[index].number, operations[index].number + 1});
            }
            runStart = index + 1;
        }
        return points;
    }

    // GIVEN the first version installed, WHEN the update and then the removal are killed at each
    // point and the next start settles what they left, THEN the disk holds exactly what the record
    // names and nothing else.
    void expectEveryKillOfAnUpdateOrRemovalLeavesTheRecordedVersionWhole() {
        ASSERT_FALSE(runDriver("prepare", 0));
        std::map<QString, QString> stateOfVersion{{"1.0", diskState()}};
        saveHome();
        ASSERT_FALSE(runDriver("update", 0));
        stateOfVersion["1.1"] = diskState();
        restoreHome();
        QByteArray trace;
        ASSERT_FALSE(runDriver("update-remove", 0, &trace));
        stateOfVersion["none"] = diskState();
        expectEveryKillLeavesTheRecordedVersionWhole("update-remove", trace, stateOfVersion);
    }

    // GIVEN nothing installed, WHEN the first install and then a repair (the same version installed
    // over itself) are killed at each point and the next start settles what they left, THEN the
    // disk holds exactly what the record names and nothing else.
    void expectEveryKillOfAFirstInstallOrRepairLeavesTheRecordedVersionWhole(
        const QString& mode = "install-repair") {
        std::map<QString, QString> stateOfVersion{{"none", diskState()}};
        saveHome();
        QByteArray trace;
        ASSERT_FALSE(runDriver(mode, 0, &trace));
        stateOfVersion["1.0"] = diskState();
        expectEveryKillLeavesTheRecordedVersionWhole(mode, trace, stateOfVersion);
    }

    void
    expectEveryKillLeavesTheRecordedVersionWhole(const QString& mode, const QByteArray& trace,
                                                 const std::map<QString, QString>& stateOfVersion) {
        const QList<Operation> operations = parseTrace(trace);
        ASSERT_GT(operations.size(), 20) << trace.toStdString();
        expectKillsLeaveTheRecordedVersionWhole(mode, operations, killPoints(operations),
                                                stateOfVersion);
    }

    // `afterKill` looks at what a killed run left before the next start settles it.
    void
    expectKillsLeaveTheRecordedVersionWhole(const QString& mode, const QList<Operation>& operations,
                                            const std::set<long>& points,
                                            const std::map<QString, QString>& stateOfVersion,
                                            const std::function<void(long point)>& afterKill = {}) {
        for (const long point : points) {
            const Operation at = operations.value(point - 1);
            SCOPED_TRACE(
                QString("killed before %1 %2 %3").arg(point).arg(at.call, at.path).toStdString());
            restoreHome();
            EXPECT_EQ(runDriver(mode, point), point <= operations.last().number);
            if (afterKill) {
                afterKill(point);
            }
            EXPECT_FALSE(runDriver("start", 0));
            const QString version = recordedVersion();
            ASSERT_TRUE(stateOfVersion.count(version)) << version.toStdString();
            EXPECT_EQ(diskState().toStdString(), stateOfVersion.at(version).toStdString())
                << "recorded: " << version.toStdString();
            EXPECT_EQ(refusedJournals(), QStringList());
        }
    }

    // Glow registered with the bundled registry; its update keeps its path and adds a second
    // plug-in. As zips of the same trees, where asked; the bundles carry the versions given.
    void useRegisteredGlowUpdatingToGlowAndHalo(bool zipped = false,
                                                const QStringList& bundleVersions = {"1.0",
                                                                                     "1.1"}) {
        registryTool = marlox::platform::pluginkitToolPath();
        const QString payloads = resources + "/Payloads";
        makeBundle(payloads + "/1.0/Glow/Glow.pluginkit", "studio.marlox.glow.plugin",
                   bundleVersions.at(0));
        makeBundle(payloads + "/1.1/Glow/Glow.pluginkit", "studio.marlox.glow.plugin",
                   bundleVersions.at(1));
        makeBundle(payloads + "/1.1/Glow/Halo.pluginkit", "studio.marlox.halo.plugin",
                   bundleVersions.at(1));
        if (!zipped) {
            writeCatalog(glow("1.0", "Payloads/1.0/Glow"), glow("1.1", "Payloads/1.1/Glow"));
            return;
        }
        for (const QString version : {"1.0", "1.1"}) {
            zipTree(payloads + "/" + version + "/Glow", payloads + "/Glow-" + version + ".zip");
        }
        writeCatalog(glow("1.0", "Payloads/Glow-1.0.zip"), glow("1.1", "Payloads/Glow-1.1.zip"));
    }
    // Runs the operation, from the home saved last, killed just before its records are saved.
    void runKilledBeforeTheRecordsSave(const QString& operation) {
        QByteArray trace;
        restoreHome();
        ASSERT_FALSE(runDriver(operation, 0, &trace));
        restoreHome();
        EXPECT_TRUE(runDriver(operation, recordsSave(parseTrace(trace))));
    }
    // The number of the file operation that saves the records: a kill before it leaves the
    // operation to be undone.
    static long recordsSave(const QList<Operation>& operations) {
        const auto saved =
            std::find_if(operations.cbegin(), operations.cend(), [](const Operation& at) {
                return at.call == "rename" && at.path == installedRecordsFileURL();
            });
        EXPECT_NE(saved, operations.cend());
        return saved == operations.cend() ? 0 : saved->number;
    }
    static QString registryFolder() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/pluginkit";
    }
    // A registry tool that runs the real one and counts its runs; at the run `killAfterRun()`
    // names, it leaves the empty lock file a run killed while taking its lock left and kills the
    // driver.
    void useRegistryToolKillingTheDriver() {
        const QString real = registryTool;
        registryTool = runsFolder.filePath("pluginkit");
        writeExecutable(registryTool, QString(R"sh(#!/bin/sh
'%1' "$@"
status=$?
runs=$(( $(cat '%2/runs' 2>/dev/null || echo 0) + 1 ))
echo $runs > '%2/runs'
if [ "$runs" = "$(cat '%2/kill-after' 2>/dev/null)" ]; then
    : > '%3/registry.json.lock'
    kill -9 $PPID
fi
exit $status
)sh")
                                    .arg(real, runsFolder.path(), registryFolder())
                                    .toUtf8());
    }
    void killAfterRun(int run) const {
        writeFile(runsFolder.filePath("runs"), "0");
        writeFile(runsFolder.filePath("kill-after"), QByteArray::number(run));
    }
    int registryRuns() const { return readFile(runsFolder.filePath("runs")).trimmed().toInt(); }
    static QStringList registryStepsLeft() {
        return loggedMessages().filter("Install journal registry step left");
    }

    // GIVEN the first version registered, WHEN its update is killed after each run of the
    // registry tool, with the empty lock file beside the registry that a run killed while taking
    // its lock left, THEN the next start's runs of the tool go through and the registry lists the
    // recorded version.
    void expectEveryUpdateKilledAfterARegistryRunLeavesTheRecordedVersionListed() {
        useRegistryToolKillingTheDriver();
        killAfterRun(0);
        ASSERT_FALSE(runDriver("prepare", 0));
        std::map<QString, QString> stateOfVersion{{"1.0", diskState()}};
        saveHome();
        killAfterRun(0);
        ASSERT_FALSE(runDriver("update", 0));
        stateOfVersion["1.1"] = diskState();
        const int runs = registryRuns();
        ASSERT_GT(runs, 5);

        for (int run = 1; run <= runs; ++run) {
            SCOPED_TRACE("killed after run " + std::to_string(run));
            restoreHome();
            killAfterRun(run);
            EXPECT_TRUE(runDriver("update", 0));
            killAfterRun(0);
            EXPECT_TRUE(QFileInfo::exists(registryFolder() + "/registry.json.lock"));
            EXPECT_FALSE(runDriver("start", 0));
            const QString version = recordedVersion();
            ASSERT_TRUE(stateOfVersion.count(version)) << version.toStdString();
            EXPECT_EQ(diskState().toStdString(), stateOfVersion.at(version).toStdString());
            EXPECT_EQ(registryStepsLeft(), QStringList());
        }
    }

    // An archive tool that kills the driver running it and then, unless it died with the driver,
    // waits until the test has run the next start and writes into its destination all the same,
    // as a tool left running would.
    void useDriverKillingArchiveTool() {
        archiveTool = tools + "/ditto";
        QFile::remove(tools + "/go");
        writeExecutable(archiveTool, QString(R"sh(#!/bin/sh
echo $$ > '%1/tool.pid'
kill -9 $PPID
for i in $(seq 1000); do [ -e '%1/go' ] && break; sleep 0.01; done
mkdir -p "$4" && echo partial > "$4/first-entry"
exec '%2' "$@"
)sh")
                                   .arg(tools, ditto)
                                   .toUtf8());
    }
    // Lets a tool that outlived the driver go on, and waits until it has ended.
    void letTheArchiveToolEnd() const {
        writeFile(tools + "/go", {});
        const QString process = "/proc/" + readFile(tools + "/tool.pid").trimmed();
        const auto ended = [&] {
            QFile stat(process + "/stat");
            const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
            return line.isEmpty() || line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
        };
        EXPECT_TRUE(QTest::qWaitFor(ended, 15000));
    }
    // The hidden items an operation works with, anywhere in the home.
    QStringList workItems() const {
        QStringList found;
        for (QDirIterator item(QDir::homePath(), QDir::AllEntries | QDir::Hidden | QDir::System,
                               QDirIterator::Subdirectories);
             item.hasNext();) {
            const QString name = QFileInfo(item.next()).fileName();
            if (name.startsWith(".marlox-") || name.startsWith(".expanding-") ||
                name.startsWith(".install-journal-")) {
                found.append(item.filePath());
            }
        }
        return found;
    }

    QString bundle = home.filePath("Payloads.app");
    QString tools = home.filePath("tools");
    QString archiveTool;
    // The plug-in registry's tool the driver runs; when set, the disk's state holds what the
    // registry's file lists.
    QString registryTool;
    QString resources = bundle + "/Contents/Resources";
    // The catalog the driver reads, as the application reads its own, from the bundle.
    QString catalogPath = resources + "/manifest.json";
    QString snapshot = home.filePath("snapshot");
    // Outside the home, which a test puts back between runs.
    QTemporaryDir runsFolder;
};

TEST_F(InstallCrashTest, KilledUpdateOrRemovalOfAFolderPayloadLeavesTheRecordedVersionWhole) {
    makePlugin(resources + "/Payloads/1.0/Glow", "1.0");
    makePlugin(resources + "/Payloads/1.1/Glow", "1.1");
    writeCatalog(glow("1.0", "Payloads/1.0/Glow"), glow("1.1", "Payloads/1.1/Glow"));
    expectEveryKillOfAnUpdateOrRemovalLeavesTheRecordedVersionWhole();
}

TEST_F(InstallCrashTest, KilledUpdateOrRemovalLeavesTheRegistryListingTheRecordedVersion) {
    // GIVEN a plug-in registered with the bundled registry, whose update keeps its path and adds
    // a second one
    useRegisteredGlowUpdatingToGlowAndHalo();
    // WHEN the update and the removal are killed at each point and the next start runs, THEN the
    // registry lists the recorded version at its path, or nothing when none is recorded
    expectEveryKillOfAnUpdateOrRemovalLeavesTheRecordedVersionWhole();
    // The first version's state, which the kills started from, was registered.
    restoreHome();
    EXPECT_EQ(registryFileLines().filter("use studio.marlox.glow.plugin(1.0) ").size(), 1);
}

TEST_F(InstallCrashTest, AnUpdateKilledAfterAnyRunOfTheRegistryToolLeavesTheRecordedVersionListed) {
    useRegisteredGlowUpdatingToGlowAndHalo();
    expectEveryUpdateKilledAfterARegistryRunLeavesTheRecordedVersionListed();
}

TEST_F(InstallCrashTest,
       AZipUpdateKilledAfterAnyRunOfTheRegistryToolLeavesTheRecordedVersionListed) {
    useRegisteredGlowUpdatingToGlowAndHalo(true);
    expectEveryUpdateKilledAfterARegistryRunLeavesTheRecordedVersionListed();
}

TEST_F(InstallCrashTest, AStartWhoseRegistryToolFailsKeepsItsStepsForTheNextStartAndNothingElse) {
    // GIVEN the update of a registered plug-in killed just before its records are saved
    useRegisteredGlowUpdatingToGlowAndHalo();
    ASSERT_FALSE(runDriver("prepare", 0));
    const QString firstVersion = diskState();
    const QStringList firstVersionFiles = treeSnapshot(installRoot);
    saveHome();
    runKilledBeforeTheRecordsSave("update");

    // WHEN the next start finds the registry tool failing
    const QString workingTool = registryTool;
    registryTool = runsFolder.filePath("failing-pluginkit");
    writeExecutable(registryTool, "#!/bin/sh\necho 'the registry is busy' >&2\nexit 1\n");
    EXPECT_FALSE(runDriver("start", 0));
    registryTool = workingTool;

    // THEN the files and the record are the first version's, while the registry's steps are
    // logged and kept in a journal marked as settled
    EXPECT_EQ(recordedVersion(), "1.0");
    EXPECT_EQ(treeSnapshot(installRoot), firstVersionFiles);
    EXPECT_FALSE(registryStepsLeft().isEmpty());
    EXPECT_TRUE(pendingJournal().endsWith(".settled.json"));
    // AND the log names the journal as it stands
    EXPECT_EQ(loggedMessages().filter("Install journal kept: registry steps are left to do: "),
              QStringList("Install journal kept: registry steps are left to do: " +
                          pendingJournal()));
    EXPECT_FALSE(registryFileLines().filter("(1.1)").isEmpty());

    // WHEN the start after it finds the tool working THEN the registry lists the first version
    // as before the update, no file changed, and the journal is gone
    const QStringList times = modificationTimes(installRoot);
    EXPECT_FALSE(runDriver("start", 0));
    EXPECT_EQ(modificationTimes(installRoot), times);
    EXPECT_EQ(diskState().toStdString(), firstVersion.toStdString());
}

TEST_F(InstallCrashTest, AnUndoWhoseJournalNamesNoRegistrationsRegistersWhatItPutBack) {
    // GIVEN a registered plug-in
    useRegisteredGlowUpdatingToGlowAndHalo();
    ASSERT_FALSE(runDriver("prepare", 0));
    const QString firstVersion = diskState();
    saveHome();
    for (const QString operation : {"update", "remove"}) {
        SCOPED_TRACE(operation.toStdString());
        // WHEN its update or removal is killed before the records are saved, and its journal
        // says nothing of the registry, as an earlier version's, whose removal unregistered the
        // plug-ins before anything moved
        runKilledBeforeTheRecordsSave(operation);
        QJsonObject journal = QJsonDocument::fromJson(readFile(pendingJournal())).object();
        ASSERT_TRUE(journal.contains("registrationsBefore"));
        journal.remove("registrationsBefore");
        writeFile(pendingJournal(), QJsonDocument(journal).toJson());
        if (operation == "remove") {
            QProcess::execute(registryTool,
                              {"-r", installRoot + "/" + packageID + "/Glow.pluginkit"});
            ASSERT_EQ(registryFileLines(), QStringList());
        }

        // THEN once the next start has undone it, the registry lists the first version again
        EXPECT_FALSE(runDriver("start", 0));
        EXPECT_EQ(diskState().toStdString(), firstVersion.toStdString());
    }
}

TEST_F(InstallCrashTest, AnUndoneUpdateOfAPluginWhoseVersionHoldsASlashRegistersItAgain) {
    // GIVEN a registered plug-in whose version is "1.0/7", updated to "1.1/8"
    useRegisteredGlowUpdatingToGlowAndHalo(false, {"1.0/7", "1.1/8"});
    ASSERT_FALSE(runDriver("prepare", 0));
    const QString firstVersion = diskState();
    ASSERT_TRUE(firstVersion.contains("registered: use studio.marlox.glow.plugin(1.0/7) "));
    saveHome();

    // WHEN the update is killed before its records are saved, and the next start undoes it
    runKilledBeforeTheRecordsSave("update");
    EXPECT_FALSE(runDriver("start", 0));

    // THEN the registry lists 1.0/7 at its path again
    EXPECT_EQ(diskState().toStdString(), firstVersion.toStdString());
}

TEST_F(InstallCrashTest, AnUndoWhoseRegistryStepsCannotBeSavedOnAFullDiskIsSettledByTheNextStart) {
    // GIVEN a registered plug-in, the support folder on a small file system of its own
    SmallFileSystem disk(applicationSupportDirectory());
    MARLOX_SKIP_WITHOUT(disk);
    useRegisteredGlowUpdatingToGlowAndHalo();
    ASSERT_FALSE(runDriver("prepare", 0));
    const QString firstVersion = diskState();

    // WHEN its update fills that disk once the registry lists the new version, the registry's
    // tool failing from then on: neither the records, nor the undo's registry steps, nor the
    // journal that is to keep those can be saved
    const QString workingTool = registryTool;
    registryTool = runsFolder.filePath("pluginkit");
    writeExecutable(registryTool, QString(R"sh(#!/bin/sh
[ -e '%2/failing' ] && { echo 'the registry cannot be written' >&2; exit 1; }
'%1' "$@"
status=$?
[ "$1" = -a ] && { : > '%2/failing'; cat /dev/zero > '%3/.filler' 2>/dev/null; }
exit $status
)sh")
                                .arg(workingTool, runsFolder.path(), applicationSupportDirectory())
                                .toUtf8());
    int status = 0;
    EXPECT_FALSE(runDriver("update", 0, nullptr, &status));
    EXPECT_EQ(status, 1);
    ASSERT_EQ(disk.freeBytes(), 0);
    EXPECT_FALSE(registryFileLines().filter("(1.1)").isEmpty());

    // THEN its journal is not marked as settled, and once room is made and the tool works, the
    // next start lists the first version in the registry again
    EXPECT_TRUE(pendingJournal().endsWith(".json") && !pendingJournal().endsWith(".settled.json"))
        << pendingJournal().toStdString();
    disk.makeRoom();
    registryTool = workingTool;
    EXPECT_FALSE(runDriver("start", 0));
    EXPECT_EQ(diskState().toStdString(), firstVersion.toStdString());
}

TEST_F(InstallCrashTest, AnOperationOnAFullDiskLosesNoRecordAndIsAnsweredAsDoneOnlyWhenItIs) {
    for (const QString operation : {"remove", "update", "repair", "templates update"}) {
        SCOPED_TRACE(operation.toStdString());
        // GIVEN the package's first version installed, and what the operation leaves when it can
        const bool ofTemplates = operation == "templates update";
        if (ofTemplates) {
            writeZipOfFiles(resources + "/Templates/Kinetic-1.0.zip", {{"Fade/Fade.moti", "1.0"}});
            writeZipOfFiles(resources + "/Templates/Kinetic-1.1.zip", {{"Fade/Fade.moti", "1.1"}});
            writeCatalog(templates("1.0", "Templates/Kinetic-1.0.zip"),
                         templates("1.1", "Templates/Kinetic-1.1.zip"));
        } else {
            makePlugin(resources + "/Payloads/1.0/Glow", "1.0");
            makePlugin(resources + "/Payloads/1.1/Glow", "1.1");
            writeCatalog(glow("1.0", "Payloads/1.0/Glow"), glow("1.1", "Payloads/1.1/Glow"));
        }
        ASSERT_FALSE(runDriver("prepare", 0));
        std::map<QString, QString> stateOfVersion{{"1.0", diskState()}};
        saveHome();
        const QString mode = ofTemplates ? "update" : operation;
        ASSERT_FALSE(runDriver(mode, 0));
        stateOfVersion[recordedVersion()] = diskState();

        for (const qint64 left : {0, 4096, 8192, 16384}) {
            SCOPED_TRACE(left);
            restoreHome();
            // WHEN it runs with the support folder on a disk with that much room left
            SmallFileSystem disk(applicationSupportDirectory(), 256 * 1024);
            MARLOX_SKIP_WITHOUT(disk);
            disk.fill(left);
            int status = 0;
            EXPECT_FALSE(runDriver(mode, 0, nullptr, &status));

            // THEN it is answered as done only where its records say so (a repair's say the
            // same either way), and once room is made the next start leaves the recorded version
            // whole, its records read
            const QString answered = recordedVersion();
            if (operation != "repair") {
                EXPECT_EQ(status == 0, answered != "1.0") << status;
            }
            disk.makeRoom();
            EXPECT_FALSE(runDriver("start", 0));
            EXPECT_EQ(recordedVersion(), answered);
            ASSERT_TRUE(stateOfVersion.count(answered)) << answered.toStdString();
            EXPECT_EQ(diskState().toStdString(), stateOfVersion.at(answered).toStdString());
        }
        restoreHome();
    }
}

TEST_F(InstallCrashTest, AnUpdateWhoseExpansionRunsOutOfRoomFailsAndIsUndone) {
    // GIVEN the first version installed, and an update zipped around a file of bytes that do not
    // compress
    makePlugin(home.filePath("zipped/1.0"), "1.0");
    makePlugin(home.filePath("zipped/1.1"), "1.1");
    QByteArray noise(160 * 1024, Qt::Uninitialized);
    QRandomGenerator(53).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    writeFile(home.filePath("zipped/1.1/Glow.pluginkit/Contents/Resources/noise"), noise);
    for (const QString version : {"1.0", "1.1"}) {
        zipTree(home.filePath("zipped/" + version),
                resources + "/Payloads/Glow-" + version + ".zip");
    }
    writeCatalog(glow("1.0", "Payloads/Glow-1.0.zip"), glow("1.1", "Payloads/Glow-1.1.zip"));
    ASSERT_FALSE(runDriver("prepare", 0));
    const QString firstVersion = diskState();

    // WHEN the update expands it into an install folder with room for its archive but not for
    // what the archive holds
    SmallFileSystem disk(installRoot, 1024 * 1024);
    MARLOX_SKIP_WITHOUT(disk);
    disk.fill(noise.size() + 64 * 1024);
    int status = 0;
    EXPECT_FALSE(runDriver("update", 0, nullptr, &status));

    // THEN it fails, and the first version is there whole and recorded, then and after a start
    EXPECT_EQ(status, 1);
    disk.makeRoom();
    EXPECT_EQ(diskState().toStdString(), firstVersion.toStdString());
    EXPECT_FALSE(runDriver("start", 0));
    EXPECT_EQ(diskState().toStdString(), firstVersion.toStdString());
}

TEST_F(InstallCrashTest, ARegistryFileThatCannotBeReadHoldsBackNoInstall) {
    useRegisteredGlowUpdatingToGlowAndHalo();
    for (const QByteArray& registry : {QByteArray(), QByteArray("[{\"path\": ")}) {
        SCOPED_TRACE(registry.toStdString());
        // GIVEN the registry's file empty, or cut short
        writeFile(registryFolder() + "/registry.json", registry);

        // WHEN a package is installed THEN that goes through, and the registry lists it alone
        ASSERT_FALSE(runDriver("prepare", 0));
        const QStringList listed = registryFileLines();
        ASSERT_EQ(listed.size(), 1);
        EXPECT_EQ(listed[0].section(' ', 0, -2), "use studio.marlox.glow.plugin(1.0) " +
                                                     installRoot + "/" + packageID +
                                                     "/Glow.pluginkit");
        ASSERT_FALSE(runDriver("remove", 0));
    }
}

TEST_F(InstallCrashTest, KilledFirstInstallOrRepairOfAFolderPayloadLeavesTheRecordedVersionWhole) {
    makePlugin(resources + "/Payloads/1.0/Glow", "1.0");
    writeCatalog(glow("1.0", "Payloads/1.0/Glow"), glow("1.1", "Payloads/1.0/Glow"));
    expectEveryKillOfAFirstInstallOrRepairLeavesTheRecordedVersionWhole();
}

// Reinstall All takes each package through its own run, between the packages too.
TEST_F(InstallCrashTest,
       KilledFirstInstallOrReinstallAllOfAFolderPayloadLeavesTheRecordedVersionWhole) {
    makePlugin(resources + "/Payloads/1.0/Glow", "1.0");
    writeCatalog(glow("1.0", "Payloads/1.0/Glow"), glow("1.1", "Payloads/1.0/Glow"));
    expectEveryKillOfAFirstInstallOrRepairLeavesTheRecordedVersionWhole("install-reinstall");
}

TEST_F(InstallCrashTest, ARepairKilledDeletingItsOldCopyWithItsJournalThenCutInHalfEndsWhole) {
    // GIVEN a first install and a repair of a folder payload, run once to their end
    makePlugin(resources + "/Payloads/1.0/Glow", "1.0");
    writeCatalog(glow("1.0", "Payloads/1.0/Glow"), glow("1.1", "Payloads/1.0/Glow"));
    saveHome();
    QByteArray trace;
    ASSERT_FALSE(runDriver("install-repair", 0, &trace));
    const QString whole = diskState();
    // The middle of the deletion of the old copy, after the repair's records are saved.
    const QList<Operation> operations = parseTrace(trace);
    const auto saved = std::find_if(operations.crbegin(), operations.crend(), [](const auto& at) {
        return at.call == "rename" && at.path.endsWith("/installed.json");
    });
    ASSERT_NE(saved, operations.crend());
    QList<long> deletion;
    for (auto at = saved.base(); at != operations.cend(); ++at) {
        if (at->call == "unlink" && at->path.contains(installRoot + "/.marlox-")) {
            deletion.append(at->number);
        }
    }
    ASSERT_GT(deletion.size(), 2) << trace.toStdString();

    // WHEN the repair is killed there, its journal is then cut in half, and the next start runs
    restoreHome();
    EXPECT_TRUE(runDriver("install-repair", deletion.at(deletion.size() / 2)));
    cutPendingJournalInHalf();
    EXPECT_FALSE(runDriver("start", 0));

    // THEN the recorded version is whole and nothing is left over
    EXPECT_EQ(recordedVersion(), "1.0");
    EXPECT_EQ(diskState().toStdString(), whole.toStdString());
    EXPECT_EQ(workItems(), QStringList());
}

TEST_F(InstallCrashTest, KilledUpdateOrRemovalOfAZipPayloadLeavesTheRecordedVersionWhole) {
    for (const QString version : {"1.0", "1.1"}) {
        makePlugin(home.filePath("zipped/" + version), version);
        zipTree(home.filePath("zipped/" + version),
                resources + "/Payloads/Glow-" + version + ".zip");
    }
    writeCatalog(glow("1.0", "Payloads/Glow-1.0.zip"), glow("1.1", "Payloads/Glow-1.1.zip"));
    expectEveryKillOfAnUpdateOrRemovalLeavesTheRecordedVersionWhole();
}

TEST_F(InstallCrashTest, KilledFirstInstallOrRepairOfAZipPayloadLeavesTheRecordedVersionWhole) {
    makePlugin(home.filePath("zipped/1.0"), "1.0");
    zipTree(home.filePath("zipped/1.0"), resources + "/Payloads/Glow-1.0.zip");
    writeCatalog(glow("1.0", "Payloads/Glow-1.0.zip"), glow("1.1", "Payloads/Glow-1.0.zip"));
    expectEveryKillOfAFirstInstallOrRepairLeavesTheRecordedVersionWhole();
}

TEST_F(InstallCrashTest, KilledUpdateOrRemovalOfATemplatesPackageLeavesTheRecordedVersionWhole) {
    // The update drops one template, replaces one and adds one.
    writeZipOfFiles(resources + "/Templates/Kinetic-1.0.zip",
                    {{"Slide/Slide.moti", "slide"}, {"Fade/Fade.moti", "fade 1.0"}});
    writeZipOfFiles(resources + "/Templates/Kinetic-1.1.zip",
                    {{"Fade/Fade.moti", "fade 1.1"}, {"Wipe/Wipe.moti", "wipe"}});
    writeCatalog(templates("1.0", "Templates/Kinetic-1.0.zip"),
                 templates("1.1", "Templates/Kinetic-1.1.zip"));
    expectEveryKillOfAnUpdateOrRemovalLeavesTheRecordedVersionWhole();
}

TEST_F(InstallCrashTest,
       KilledFirstInstallOrRepairOfATemplatesPackageLeavesTheRecordedVersionWhole) {
    writeZipOfFiles(resources + "/Templates/Kinetic-1.0.zip",
                    {{"Slide/Slide.moti", "slide"}, {"Fade/Fade.moti", "fade 1.0"}});
    writeCatalog(templates("1.0", "Templates/Kinetic-1.0.zip"),
                 templates("1.1", "Templates/Kinetic-1.0.zip"));
    expectEveryKillOfAFirstInstallOrRepairLeavesTheRecordedVersionWhole();
}

// So many templates with long paths that the journals of the first install and of the update
// are larger than 2 MiB.
TEST_F(InstallCrashTest,
       KilledInstallOrUpdateOfALargeTemplatesPackageLeavesTheRecordedVersionWhole) {
    // GIVEN a package of 380 templates with long names, placed ten folders of 250 characters
    // deep
    for (const QString version : {"1.0", "1.1"}) {
        QMap<QString, QByteArray> files;
        for (int number = 0; number < 380; ++number) {
            const QString name = QString("%1 ").arg(number, 3, 10, QChar('0')) + QString(246, 'T');
            files.insert(name + "/Title.moti", version.toUtf8());
        }
        writeZipOfFiles(resources + "/Templates/Many-" + version + ".zip", files);
    }
    QStringList deep{"Titles", "Marlox Studio"};
    for (const char letter : QByteArray("abcdefghij")) {
        deep.append(QString(250, QChar(letter)));
    }
    PackageManifest first = templates("1.0", "Templates/Many-1.0.zip");
    PackageManifest second = templates("1.1", "Templates/Many-1.1.zip");
    first.motionTemplateInstallSubpath = second.motionTemplateInstallSubpath = deep.join('/');
    writeCatalog(first, second);
    const QString target = templatesRoot + "/" + deep.join('/');
    // Half-way through the renames into place, and before and after the records' save.
    const auto halfIntoPlaceAndAroundTheSave = [&](const QList<Operation>& operations) {
        QList<long> intoPlace;
        std::set<long> points;
        for (const Operation& at : operations) {
            if (at.call == "rename" && at.path.startsWith(target + "/") &&
                !QFileInfo(at.path).fileName().startsWith('.')) {
                intoPlace.append(at.number);
            } else if (at.call == "rename" && at.path == installedRecordsFileURL()) {
                points.insert({at.number, at.number + 1});
            }
        }
        EXPECT_EQ(intoPlace.size(), 380);
        const long half = intoPlace.value(190);
        points.insert(half);
        return std::pair(half, points);
    };
    // Killed half-way, the run leaves a journal larger than 2 MiB.
    long halfInPlace = 0;
    const auto expectALargeJournal = [&](long point) {
        if (point == halfInPlace) {
            EXPECT_GT(QFileInfo(pendingJournal()).size(), 2 * 1024 * 1024);
        }
    };

    // WHEN its first install is killed at those points, THEN the next start leaves it whole or
    // nothing
    std::map<QString, QString> stateOfVersion{{"none", diskState()}};
    saveHome();
    QByteArray trace;
    ASSERT_FALSE(runDriver("prepare", 0, &trace));
    stateOfVersion["1.0"] = diskState();
    std::set<long> points;
    std::tie(halfInPlace, points) = halfIntoPlaceAndAroundTheSave(parseTrace(trace));
    expectKillsLeaveTheRecordedVersionWhole("prepare", parseTrace(trace), points, stateOfVersion,
                                            expectALargeJournal);

    // WHEN its update is killed at those points, THEN the next start leaves one version whole
    restoreHome();
    ASSERT_FALSE(runDriver("prepare", 0));
    saveHome();
    ASSERT_FALSE(runDriver("update", 0, &trace));
    stateOfVersion = {{"1.0", stateOfVersion.at("1.0")}, {"1.1", diskState()}};
    std::tie(halfInPlace, points) = halfIntoPlaceAndAroundTheSave(parseTrace(trace));
    expectKillsLeaveTheRecordedVersionWhole("update", parseTrace(trace), points, stateOfVersion,
                                            expectALargeJournal);
}

TEST_F(InstallCrashTest, KilledRemovalOfTemplatesNoCatalogListsLeavesNoneOfTheirFoldersBehind) {
    // GIVEN templates installed in the studio's folder of a type folder, which no catalog lists
    // any more
    writeZipOfFiles(resources + "/Templates/Kinetic-1.0.zip",
                    {{"Slide/Slide.moti", "slide"}, {"Fade/Fade.moti", "fade"}});
    PackageManifest kinetic = templates("1.0", "Templates/Kinetic-1.0.zip");
    kinetic.motionTemplateInstallSubpath = "Titles.localized/Marlox Studio/Kinetic";
    writeCatalog(kinetic, kinetic);
    ASSERT_FALSE(runDriver("prepare", 0));
    ASSERT_TRUE(QFileInfo::exists(templatesRoot + "/Titles.localized/Marlox Studio/Kinetic/Fade"));
    std::map<QString, QString> stateOfVersion{{"1.0", diskState()}};
    PackageManifest other = glow("1.0", "Payloads/Other");
    other.id = "studio.marlox.other";
    writeCatalog(other, other);
    saveHome();

    // WHEN their removal is killed at each point and the next start runs, THEN the disk holds
    // what the record names: all of them, or none and not the folders that held them
    QByteArray trace;
    ASSERT_FALSE(runDriver("remove", 0, &trace));
    stateOfVersion["none"] = diskState();
    EXPECT_EQ(diskState().toStdString(), "support: installed.json");
    expectEveryKillLeavesTheRecordedVersionWhole("remove", trace, stateOfVersion);
}

TEST_F(InstallCrashTest, AKillDuringAnExpansionLeavesNothingBehindOnceTheNextStartHasRun) {
    // GIVEN the first version installed, and the update as a zip payload or a download
    makePlugin(resources + "/Payloads/1.0/Glow", "1.0");
    makePlugin(home.filePath("zipped/1.1"), "1.1");
    zipTree(home.filePath("zipped/1.1"), resources + "/Payloads/Glow-1.1.zip");
    makePlugin(home.filePath("served/1.1/Payloads/Glow"), "1.1");
    zipTree(home.filePath("served/1.1"), home.filePath("served/glow-1.1.zip"));
    PackageManifest download = glow("1.1", "Glow");
    download.downloadURL = QUrl::fromLocalFile(home.filePath("served/glow-1.1.zip")).toString();
    const PackageManifest first = glow("1.0", "Payloads/1.0/Glow");
    writeCatalog(first, first);
    ASSERT_FALSE(runDriver("prepare", 0));
    const QStringList installed = treeSnapshot(installRoot);
    saveHome();

    for (const PackageManifest& update : {glow("1.1", "Payloads/Glow-1.1.zip"), download}) {
        SCOPED_TRACE(update.bundlePayloadPath.toStdString());
        restoreHome();
        writeCatalog(first, update);

        // WHEN the update is killed while the archive tool expands, and the next start runs at
        // once, before a tool that outlived it could end
        useDriverKillingArchiveTool();
        EXPECT_TRUE(runDriver("update", 0));
        archiveTool.clear();
        EXPECT_FALSE(runDriver("start", 0));
        letTheArchiveToolEnd();

        // THEN no staging, aside, expansion or journal is left, and the recorded version is whole
        EXPECT_EQ(workItems(), QStringList());
        EXPECT_EQ(recordedVersion(), "1.0");
        EXPECT_EQ(treeSnapshot(installRoot), installed);
    }
}

} // namespace

#include "platform/ProcessRunner.h"
#include "platform/SystemTools.h"
#include "support/FileSupport.h"
#include "support/InstallTestSupport.h"
#include "support/PreloadedLibraries.h"
#include "support/QtPrinters.h"
#include "support/SmallFileSystem.h"
#include "tools/support/RegistryFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

using namespace marlox;
using namespace marlox::platform;
using namespace marlox::testing;
using marlox::tools::maximumRegistryBytes;

namespace {

// The bundled plug-in registry tool, run in a scratch home.
class RegistryToolTest : public ScratchHomeTest {
protected:
    static QString registryFolder() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/pluginkit";
    }
    static QString registryFile() { return registryFolder() + "/registry.json"; }
    static ProcessResult run(const QStringList& arguments) {
        return SystemProcessRunner().run(pluginkitToolPath(), arguments);
    }

    // The paths a registry file holds registrations of, in its order.
    static QStringList registeredPaths(const QString& file) {
        QStringList paths;
        for (const QJsonValue& entry : QJsonDocument::fromJson(readFile(file)).array()) {
            paths.append(entry.toObject().value("path").toString());
        }
        return paths;
    }
    // The registries' tools, each with the folder and file of its registry and the arguments
    // that register a bundle of its kind.
    struct Tool {
        QString path;
        QString folder;
        QString file;
        QStringList registering;
    };
    Tool pluginkitTool() const {
        makeBundle(plugin, "studio.marlox.glow", "1.0");
        return {pluginkitToolPath(), registryFolder(), "registry.json", {"-a", plugin}};
    }
    Tool lsregisterTool() const {
        makeBundle(application, "studio.marlox.cut", "1.0");
        return {lsregisterToolPath(),
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                    "/lsregister",
                "applications.json",
                {application}};
    }

    // Makes three plug-ins and registers `plugin` and `grade`; whether that went through.
    bool registerGlowAndGrade() const {
        makeBundle(plugin, "studio.marlox.glow", "1.0");
        makeBundle(grade, "studio.marlox.grade", "1.0");
        makeBundle(key, "studio.marlox.key", "1.0");
        return run({"-a", plugin, grade}).succeeded();
    }

    QString plugin = home.filePath("Plugins/Glow.pluginkit");
    QString grade = home.filePath("Plugins/Grade.pluginkit");
    QString key = home.filePath("Plugins/Key.pluginkit");
    QString application = home.filePath("Applications/Cut.app");
};

TEST_F(RegistryToolTest, ALockFileAnEarlierRunLeftHoldsBackNoRun) {
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    const QString lockFile = registryFolder() + "/registry.json.lock";
    struct Case {
        const char* name;
        QByteArray contents;
        QFile::Permissions permissions;
    };
    for (const Case& left : {
             Case{"empty, as a run killed while taking the lock left it", {}, QFile::ReadOwner},
             Case{"unreadable", "\xff\xfe garbage\n", {}},
             Case{"naming a live process", "1\nsystemd\nlocalhost\n", QFile::ReadOwner},
         }) {
        SCOPED_TRACE(left.name);
        // GIVEN a lock file beside the registry, as a run of an earlier version left it
        writeFile(lockFile, left.contents);
        QFile::setPermissions(lockFile, left.permissions);

        // WHEN the tool registers and lists THEN each run goes through at once
        const ProcessResult added = run({"-a", plugin});
        EXPECT_TRUE(added.succeeded()) << added.combinedOutput().toStdString();
        const ProcessResult listed = run({"-m", "-v"});
        EXPECT_TRUE(listed.succeeded()) << listed.combinedOutput().toStdString();
        EXPECT_TRUE(listed.standardOutput.contains("studio.marlox.glow(1.0)"));
        QFile::setPermissions(lockFile, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(lockFile);
    }
}

TEST_F(RegistryToolTest, ARunStoppedWhileItHoldsTheRegistryAndThenKilledHoldsBackNoNextRun) {
    // GIVEN a run stopped while it reads the registry, whose file is a pipe: once it has opened
    // the pipe, a writer may open it too
    QDir().mkpath(registryFolder());
    const QByteArray registry = QFile::encodeName(registryFolder() + "/registry.json");
    ASSERT_EQ(::mkfifo(registry.constData(), 0600), 0);
    QProcess holder;
    holder.start(pluginkitToolPath(), {"-m"});
    ASSERT_TRUE(holder.waitForStarted());
    int writer = -1;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (writer = ::open(registry.constData(), O_WRONLY | O_NONBLOCK)) >= 0; },
        10000));
    ::kill(pid_t(holder.processId()), SIGSTOP);

    // WHEN it is killed
    ::kill(pid_t(holder.processId()), SIGKILL);
    ASSERT_TRUE(holder.waitForFinished());
    ::close(writer);
    QFile::remove(QFile::decodeName(registry));

    // THEN the next run goes through
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    const ProcessResult added = run({"-a", plugin});
    EXPECT_TRUE(added.succeeded()) << added.combinedOutput().toStdString();
    EXPECT_EQ(registryFileLines().size(), 1);
}

TEST_F(RegistryToolTest, OnAHomeWhoseLocksAreRecordLocksEachRunTakesItsLockAndGoesThrough) {
    // GIVEN a home on a network file system, where flock locks only what is open for writing
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    const auto runThere = [](const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(networkHomeLocksEnvironment());
        tool.start(pluginkitToolPath(), arguments);
        EXPECT_TRUE(tool.waitForFinished());
        return std::pair(tool.exitCode(),
                         tool.readAllStandardOutput() + tool.readAllStandardError());
    };

    // WHEN the tool registers, lists and removes THEN each run goes through
    for (const QStringList& arguments :
         {QStringList{"-a", plugin}, QStringList{"-m", "-v"}, QStringList{"-r", plugin}}) {
        const auto [status, output] = runThere(arguments);
        EXPECT_EQ(status, 0) << arguments.join(' ').toStdString() << ": " << output.toStdString();
        if (arguments.first() == "-m") {
            EXPECT_TRUE(output.contains("studio.marlox.glow(1.0)")) << output.toStdString();
        }
    }
    EXPECT_EQ(registryFileLines(), QStringList());
}

TEST_F(RegistryToolTest, OnAFullDiskAChangeFailsSayingWhyAndTheRegistryKeepsItsBytes) {
    SmallFileSystem disk(registryFolder(), 256 * 1024);
    MARLOX_SKIP_WITHOUT(disk);
    ASSERT_TRUE(registerGlowAndGrade());
    for (const QStringList& arguments :
         {QStringList{"-a", key}, QStringList{"-r", plugin},
          QStringList{"-e", "ignore", "-i", "studio.marlox.grade"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        // GIVEN the registry's disk filled to the brim
        const QByteArray before = readFile(registryFile());
        disk.fill();

        // WHEN the registry is changed THEN the run fails naming the file and the system's
        // reason, and the registry keeps every byte
        const ProcessResult failed = run(arguments);
        EXPECT_NE(failed.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(failed.standardError),
                  "pluginkit: The file “" + registryFile() +
                      "” could not be saved: No space left on device\n");
        EXPECT_EQ(readFile(registryFile()), before);

        // AND with room made the same run goes through
        disk.makeRoom();
        const ProcessResult done = run(arguments);
        EXPECT_TRUE(done.succeeded()) << done.combinedOutput().toStdString();
        EXPECT_NE(readFile(registryFile()), before);
    }
}

TEST_F(RegistryToolTest, OnARegistryFolderMountedReadOnlyAListingListsAndAChangeFailsSayingWhy) {
    // GIVEN a registry and its lock made by earlier runs, on a file system then mounted read-only
    ASSERT_TRUE(registerGlowAndGrade());
    const QByteArray before = readFile(registryFile());
    SmallFileSystem disk(registryFolder());
    MARLOX_SKIP_WITHOUT(disk);
    const auto notReadOnly = disk.makeReadOnly();
    ASSERT_FALSE(notReadOnly) << notReadOnly->toStdString();
    const std::tuple<QStringList, int, QByteArray, QString> cases[] = {
        {{"-m"}, 0, "     studio.marlox.glow(1.0)\n     studio.marlox.grade(1.0)\n", "^$"},
        {{"-a", key},
         1,
         "",
         "^pluginkit: The file “" + QRegularExpression::escape(registryFile()) +
             "” could not be saved: [^\n]*Read-only file system\n$"},
    };
    for (const auto& [arguments, status, listed, said] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());

        // WHEN the tool lists, or registers another plug-in
        const ProcessResult result = run(arguments);

        // THEN the listing lists every entry, the registration fails saying why in one line, and
        // the registry keeps its bytes
        EXPECT_EQ(result.exitCode, status);
        EXPECT_EQ(result.standardOutput, listed);
        EXPECT_TRUE(
            QRegularExpression(said).match(QString::fromUtf8(result.standardError)).hasMatch())
            << result.standardError.toStdString();
        EXPECT_EQ(readFile(registryFile()), before);
    }

    // AND with a registered bundle gone, a listing leaves it out and lists all the same, though
    // it cannot save the registry without it
    ASSERT_TRUE(QDir(grade).removeRecursively());
    const ProcessResult listed = run({"-m"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.standardOutput, "     studio.marlox.glow(1.0)\n");
    EXPECT_EQ(listed.standardError, "");
    EXPECT_EQ(readFile(registryFile()), before);
}

TEST_F(RegistryToolTest, OnANetworkHomeARegistryFolderMountedReadOnlyFailsARunSayingWhy) {
    // GIVEN a registry and its lock on a read-only file system, where flock locks only what is
    // open for writing
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    ASSERT_TRUE(run({"-a", plugin}).succeeded());
    SmallFileSystem disk(registryFolder());
    MARLOX_SKIP_WITHOUT(disk);
    const auto notReadOnly = disk.makeReadOnly();
    ASSERT_FALSE(notReadOnly) << notReadOnly->toStdString();

    // WHEN the tool lists
    QProcess tool;
    tool.setProcessEnvironment(networkHomeLocksEnvironment());
    tool.start(pluginkitToolPath(), {"-m"});
    ASSERT_TRUE(tool.waitForFinished());

    // THEN it fails, saying first why the lock file could not be opened for writing
    EXPECT_NE(tool.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardError()),
              "pluginkit: The lock file “" + registryFolder() +
                  "/registry.lock” could not be opened for writing (Read-only file system), and "
                  "open for reading it could not be locked: Bad file descriptor.\n");
}

TEST_F(RegistryToolTest, ARegistryThatCannotBeReadIsSetAsideAndTheRunGoesOn) {
    const QByteArray tooLarge(maximumRegistryBytes + 1, '[');
    const std::tuple<const char*, Tool, QByteArray, QString> cases[] = {
        {"empty", pluginkitTool(), "", "it is empty"},
        {"damaged", pluginkitTool(), "[{\"path\": \"/Plug", "it is not JSON: "},
        {"no list", pluginkitTool(), "{}", "it holds no list of registrations"},
        {"over the bound", pluginkitTool(), tooLarge, "it holds more than the 16 MiB a run reads"},
        {"damaged applications", lsregisterTool(), "\xff\xfe", "it is not JSON: "},
    };
    for (const auto& [name, tool, contents, reason] : cases) {
        SCOPED_TRACE(name);
        // GIVEN a registry file that cannot be read
        QDir(tool.folder).removeRecursively();
        writeFile(tool.folder + "/" + tool.file, contents);

        // WHEN a bundle is registered
        const ProcessResult result = SystemProcessRunner().run(tool.path, tool.registering);

        // THEN the run goes through and the registry holds only the new registration
        EXPECT_TRUE(result.succeeded()) << result.combinedOutput().toStdString();
        EXPECT_EQ(registeredPaths(tool.folder + "/" + tool.file),
                  QStringList{tool.registering.last()});
        // AND the old file is kept whole under a name of its own, which the run gave
        const QStringList copies = QDir(tool.folder).entryList({tool.file + ".unreadable-*"});
        ASSERT_EQ(copies.size(), 1);
        EXPECT_TRUE(QRegularExpression(R"(^[a-z]+\.json\.unreadable-[-\d]{10}T[:\d]{8}Z$)")
                        .match(copies.first())
                        .hasMatch())
            << copies.first().toStdString();
        EXPECT_EQ(readFile(tool.folder + "/" + copies.first()), contents);
        const QString said = QString::fromUtf8(result.standardError);
        EXPECT_TRUE(said.startsWith(QFileInfo(tool.path).fileName() +
                                    ": the registry could not be read and was set aside as " +
                                    tool.folder + "/" + copies.first() + ": " + reason))
            << said.toStdString();
    }
}

TEST_F(RegistryToolTest, ARegistryThatCannotBeReadNorSetAsideFailsTheRunAndStaysAsItIs) {
    // GIVEN a damaged registry in a folder that takes no new name
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    ASSERT_TRUE(run({"-m"}).succeeded());
    writeFile(registryFile(), "[{");
    const QStringList before = treeOf(registryFolder());
    if (QProcess::execute("chattr", {"+i", registryFolder()}) != 0) {
        GTEST_SKIP() << "The registry's folder cannot be made immutable here";
    }

    // WHEN a bundle is registered
    const ProcessResult result = run({"-a", plugin});
    QProcess::execute("chattr", {"-i", registryFolder()});

    // THEN the run fails saying why, and the folder and the registry are as they were
    EXPECT_NE(result.exitCode, 0);
    EXPECT_TRUE(result.standardError.contains("nor set aside (Operation not permitted)"))
        << result.standardError.toStdString();
    EXPECT_EQ(treeOf(registryFolder()), before);
    EXPECT_EQ(readFile(registryFile()), "[{");
}

TEST_F(RegistryToolTest, ARegistryAtTheReadBoundIsSavedAndOnePastItIsRefused) {
    // GIVEN a registered plug-in whose entry is padded so that registering another makes the
    // registry exactly as large as a run reads
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    makeBundle(grade, "studio.marlox.grade", "1.0");
    ASSERT_TRUE(run({"-a", plugin, grade}).succeeded());
    const QJsonArray both = QJsonDocument::fromJson(readFile(registryFile())).array();
    QJsonObject padded = both.first().toObject();
    padded.insert("padding", "");
    const qint64 rest = QJsonDocument(QJsonArray{padded, both.last()}).toJson().size();
    const auto writePadded = [&](qint64 length) {
        padded.insert("padding", QString(length, 'x'));
        writeFile(registryFile(), QJsonDocument(QJsonArray{padded}).toJson());
    };

    // WHEN the other is registered THEN the registry takes the bound and the next run reads it
    writePadded(maximumRegistryBytes - rest);
    ASSERT_TRUE(run({"-a", grade}).succeeded());
    EXPECT_EQ(QFileInfo(registryFile()).size(), maximumRegistryBytes);
    EXPECT_EQ(run({"-m"}).standardOutput.count('\n'), 2);

    // WHEN it is registered with one byte more in the way THEN the save is refused, saying so,
    // and the registry keeps every byte
    writePadded(maximumRegistryBytes - rest + 1);
    const QByteArray before = readFile(registryFile());
    const ProcessResult refused = run({"-a", grade});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(refused.standardError),
              "pluginkit: the registry would take 16.0 MiB, more than the "
              "16 MiB a run reads; it was not changed: " +
                  registryFile() + "\n");
    EXPECT_EQ(readFile(registryFile()), before);
}

TEST_F(RegistryToolTest, AFileWhereTheRegistrysFolderShouldBeFailsEveryRunSayingSo) {
    // GIVEN a file in the place of the registry's folder
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    writeFile(registryFolder(), "not a folder");
    for (const QStringList& arguments :
         {QStringList{"-m"}, QStringList{"-r", plugin}, QStringList{"-a", plugin}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());

        // WHEN the tool lists, removes or registers
        const ProcessResult result = run(arguments);

        // THEN it fails saying what is wrong, and the file is untouched
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(result.standardError),
                  "pluginkit: the registry's folder is not a folder: " + registryFolder() + "\n");
        EXPECT_EQ(readFile(registryFolder()), "not a folder");
    }
}

TEST_F(RegistryToolTest, ARunRemovesWhatKilledSavesOfItsRegistryLeftAndNothingThatLooksAlike) {
    writeFile(home.filePath("elsewhere"), "kept");
    for (const Tool& tool : {pluginkitTool(), lsregisterTool()}) {
        SCOPED_TRACE(tool.file.toStdString());
        // GIVEN three temporary files of saves of the registry that were killed, and the user's
        // copies, files, a folder, a pipe and a link whose names only look like theirs
        const QString temporary = tool.folder + "/." + tool.file + ".saving-";
        for (const char* suffix : {"a1B2c3", "ZZZZZZ", "000000"}) {
            writeFile(temporary + suffix, "[");
        }
        const QStringList lookAlikes = {tool.file + ".backup",
                                        tool.file + ".a1B2c3",
                                        tool.file + ".abcdefg",
                                        tool.file + ".abc-12",
                                        tool.file + "a1B2c3",
                                        "other.json.a1B2c3",
                                        "." + tool.file + ".saving-abc",
                                        "." + tool.file + ".Saving-a1B2c3",
                                        "." + tool.file + ".saving-a1B2c3d"};
        for (const QString& name : lookAlikes) {
            writeFile(tool.folder + "/" + name, "kept");
        }
        writeFile(temporary + "Fold01/inside", "kept");
        ASSERT_TRUE(QFile::link(home.filePath("elsewhere"), temporary + "Link01"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(temporary + "Pipe01").constData(), 0600), 0);

        // WHEN a bundle is registered
        const ProcessResult result = SystemProcessRunner().run(tool.path, tool.registering);

        // THEN only the registry, its lock and the look-alikes are beside it, all as they were
        EXPECT_TRUE(result.succeeded()) << result.combinedOutput().toStdString();
        const QString prefix = "." + tool.file + ".saving-";
        QStringList expected =
            lookAlikes + QStringList{prefix + "Fold01", prefix + "Link01", prefix + "Pipe01",
                                     tool.file, QFileInfo(tool.file).completeBaseName() + ".lock"};
        expected.sort();
        QStringList beside =
            QDir(tool.folder)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
        beside.sort();
        EXPECT_EQ(beside, expected);
        EXPECT_EQ(readFile(temporary + "Fold01/inside"), "kept");
        EXPECT_EQ(QFile::symLinkTarget(temporary + "Link01"), home.filePath("elsewhere"));
        EXPECT_EQ(readFile(home.filePath("elsewhere")), "kept");
    }
}

TEST_F(RegistryToolTest, RunsKilledAtTheirSavesRenameLeaveNothingBesideTheRegistryOnceOneRuns) {
    // GIVEN a registered plug-in, and three runs electing it killed as their saves rename their
    // temporary files over the registry
    const QString plugin = home.filePath("Plugins/Glow.pluginkit");
    makeBundle(plugin, "studio.marlox.glow", "1.0");
    ASSERT_TRUE(SystemProcessRunner().run(pluginkitToolPath(), {"-a", plugin}).succeeded());
    for (int killed = 0; killed < 3; ++killed) {
        QProcess tool;
        tool.setProcessEnvironment(killedAtRenameEnvironment("/pluginkit/.registry.json.saving-"));
        tool.start(pluginkitToolPath(), {"-e", "ignore", "-i", "studio.marlox.glow"});
        ASSERT_TRUE(tool.waitForFinished());
        ASSERT_EQ(tool.exitStatus(), QProcess::CrashExit) << tool.readAllStandardError().data();
    }
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      "/pluginkit");
    ASSERT_FALSE(
        folder.entryList({".registry.json.saving-*"}, QDir::Files | QDir::Hidden).isEmpty());

    // WHEN the tool runs again THEN only the registry and its lock are in its folder
    const ProcessResult elected = SystemProcessRunner().run(
        pluginkitToolPath(), {"-e", "ignore", "-i", "studio.marlox.glow"});
    EXPECT_TRUE(elected.succeeded()) << elected.combinedOutput().toStdString();
    EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"registry.json", "registry.lock"}));
}

TEST_F(RegistryToolTest, ABundleWhoseListingLineWouldBeMisreadIsRefusedAndTheRestRegistered) {
    struct Case {
        const char* name;
        QString bundle;
        QString identifier;
        QString version;
        QString refusal;
    };
    const QString glow = home.filePath("Plugins/Glow.pluginkit");
    const QString broken = home.filePath("Plugins/Glow\nBroken.pluginkit");
    const auto identifierHolds = [](const QString& shown, const QString& character) {
        return "the bundle's identifier “" + shown + "” cannot be listed: it holds " + character;
    };
    const Case cases[] = {
        {"no identifier", glow, "", "1.0", "the bundle has no usable CFBundleIdentifier"},
        {"space", glow, "studio.marlox glow", "1.0",
         identifierHolds("studio.marlox glow", "a space")},
        {"tab", glow, "studio.marlox\tglow", "1.0",
         identifierHolds("studio.marlox\\tglow", "the control character U+0009")},
        {"no-break space", glow, "studio.marlox\u00a0glow", "1.0",
         identifierHolds("studio.marlox\u00a0glow", "the white space U+00A0")},
        {"slash", glow, "studio/glow", "1.0", identifierHolds("studio/glow", "“/”")},
        {"opening parenthesis", glow, "studio.glow(2", "1.0",
         identifierHolds("studio.glow(2", "“(”")},
        {"closing parenthesis", glow, "studio.glow)", "1.0",
         identifierHolds("studio.glow)", "“)”")},
        {"tab in the version", glow, "studio.glow", "1.0\t2",
         "the bundle's version “1.0\\t2” cannot be listed: it holds the control character U+0009"},
        {"line break in the version", glow, "studio.glow", "1.0\n2",
         "the bundle's version “1.0\\n2” cannot be listed: it holds the control character U+000A"},
        {"delete in the version", glow, "studio.glow", "1.0\x7f",
         "the bundle's version “1.0\\x7f” cannot be listed: it holds the control character U+007F"},
        {"line break in the path", broken, "studio.glow", "1.0",
         "the bundle's path “" + home.filePath("Plugins/Glow\\nBroken.pluginkit") +
             "” cannot be listed: it holds the control character U+000A"},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.name);
        // GIVEN a bundle whose identifier, version or path a listing line cannot carry
        QDir(home.filePath("Plugins")).removeRecursively();
        makeBundle(grade, "studio.marlox.grade", "1.0");
        makeBundle(refused.bundle, refused.identifier, refused.version);
        QFile::remove(registryFile());

        // WHEN it is registered along with another
        const ProcessResult result = run({"-a", refused.bundle, grade});

        // THEN it is refused in one line saying why, and only the other is registered
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(result.standardError),
                  "pluginkit: " + QString(refused.bundle).replace("\n", "\\n") + ": " +
                      refused.refusal + "\n");
        EXPECT_EQ(registeredPaths(registryFile()), QStringList{grade});
    }
}

TEST_F(RegistryToolTest, VersionsWithSpacesSlashesAndParenthesesAreListedWhole) {
    for (const QString version : {"1.0/7", "2.0 (beta)", "(3)"}) {
        SCOPED_TRACE(version.toStdString());
        // GIVEN a plug-in of that version
        makeBundle(plugin, "studio.marlox.glow", version);

        // WHEN it is registered and listed
        ASSERT_TRUE(run({"-a", plugin}).succeeded());
        const QString line =
            QString::fromUtf8(run({"-m", "-v"}).standardOutput).section('\n', 0, 0);

        // THEN the listing line reads back as the application reads it: the identifier up to
        // the first "(", the version up to the ")" before the first tab, the path after the third
        const QString fields = line.section('\t', 0, 0).mid(5);
        EXPECT_EQ(fields.section('(', 0, 0), "studio.marlox.glow");
        EXPECT_EQ(fields.mid(fields.indexOf('(') + 1).chopped(1), version);
        EXPECT_TRUE(fields.endsWith(')'));
        EXPECT_EQ(line.section('\t', 3), plugin);
    }
}

} // namespace

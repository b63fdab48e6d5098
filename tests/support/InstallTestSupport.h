#pragma once

#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "install/InstallEngine.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemTools.h"
#include "support/CatalogFixtures.h"
#include "support/QtPrinters.h"
#include "support/RecordingWorkspace.h"
#include "support/ScratchHome.h"
#include "support/StandIns.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/types.h>

#include <optional>
#include <ostream>

namespace marlox::install {
inline void PrintTo(const InstallResult& result, std::ostream* out) {
    *out << result.installPath.toStdString() << " + ["
         << result.templateInstallPaths.join(", ").toStdString() << ']';
}
inline void PrintTo(const PluginRegistration& registration, std::ostream* out) {
    *out << registration.path.toStdString() << " " << registration.identifier.toStdString() << '('
         << registration.version.toStdString() << ") " << registration.election.toStdString();
}
} // namespace marlox::install

namespace marlox::testing {

// The system's process list narrowed to this process's children: the test binaries run side by
// side, and a host one of them starts must not block the others.
class OwnChildProcessLister final : public platform::ProcessLister {
public:
    QList<platform::RunningApplication>
    runningApplications(const QString& bundleIdentifier,
                        const QString& executableName) const override;

private:
    platform::SystemProcessLister m_system;
};

// A real process with the given executable name (a copy of sleep) while it lives, run by this
// user or, when this is root, by the user with the id given.
class RunningHost {
public:
    explicit RunningHost(const QString& executableName,
                         std::optional<uid_t> otherUser = std::nullopt);
    ~RunningHost();
    RunningHost(const RunningHost&) = delete;
    RunningHost& operator=(const RunningHost&) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
};

// Packages of the built-in catalog.
inline const QString countdownID = QStringLiteral("studio.marlox.countdown-pro");
inline const QString timecodeID = QStringLiteral("studio.marlox.timecode-burn");
inline const QString filmGradeID = QStringLiteral("studio.marlox.film-grade");
inline const QString chromaKeyID = QStringLiteral("studio.marlox.chroma-key");
inline const QString edgeMatteID = QStringLiteral("studio.marlox.edge-matte");
inline const QString lightWrapID = QStringLiteral("studio.marlox.light-wrap");
inline const QString gridLayoutID = QStringLiteral("studio.marlox.grid-layout");
inline const QString kineticTitlesID = QStringLiteral("studio.marlox.kinetic-titles");

QList<catalog::PackageManifest> builtInPackages();
catalog::PackageManifest builtInPackage(const QString& id);
// What the bundled plug-in registry lists, one line per plug-in.
QStringList registeredPluginLines();
// The registry's file as it stands, a registration a line: its election, identifier(version),
// path and UUID, not the time it was made. Read without the tool, which forgets registrations
// whose bundle is gone whenever it runs.
QStringList registryFileLines();

// A bundle with the macOS layout: Info.plist (with the identifier unless empty), an executable
// and a resource.
void makeBundle(const QString& path, const QString& identifier, const QString& version = "1.0");
// A zip of the folder's tree, keeping each file's executable bit.
void zipTree(const QString& root, const QString& zipPath);
// A zip holding these files, each under its relative name.
void writeZipOfFiles(const QString& path, const QMap<QString, QByteArray>& files);
// One line per item below the root (path, kind, permissions, link target, digest), hidden ones
// included: equal snapshots hold equal bytes.
QStringList treeSnapshot(const QString& root);
// One line per item below the root, hidden ones included, with its modification time in
// nanoseconds (of a link itself, not of its target).
QStringList modificationTimes(const QString& root);

// A shell script standing in for a system tool: it records each call and answers as the test set
// for the call's first argument.
class StubTool {
public:
    StubTool(const QString& folder, const QString& name);

    const QString& path() const { return m_path; }
    void reply(const QString& option, const QByteArray& output) const {
        writeFile(m_folder + "/reply" + option, output);
    }
    void fail(const QString& option, int exitCode, const QByteArray& errorOutput = {}) const {
        writeFile(m_folder + "/exit" + option, QByteArray::number(exitCode));
        writeFile(m_folder + "/stderr" + option, errorOutput);
    }
    // Every call so far, its arguments joined by spaces.
    QStringList calls() const;
    QStringList callsWith(const QString& option) const {
        return calls().filter(QRegularExpression("^" + option + ' '));
    }

private:
    QString m_folder;
    QString m_path;
};

// A system tool whose first call, or with a text its first call whose arguments hold the text,
// waits, ten seconds at most, until release(), then runs the real tool: an operation held in the
// middle for as long as a test needs. Every other call runs the real tool at once.
class HeldTool {
public:
    HeldTool(const QString& folder, const QString& realToolPath, const QString& heldArgument = {});

    const QString& path() const { return m_path; }
    // Whether the held call has started waiting.
    bool isHeld() const { return QFileInfo::exists(m_folder + "/held"); }
    void release() const { writeFile(m_folder + "/release", {}); }

private:
    QString m_folder;
    QString m_path;
};

// The registrar of the bundle's own registry tools, as the application's start uses it.
inline install::FxPlugRegistrar bundledRegistrar() {
    return {std::make_shared<platform::SystemProcessRunner>(), platform::pluginkitToolPath(),
            platform::lsregisterToolPath()};
}

// The bundled tools, with the registry tool standing in for the real one.
inline install::InstallTools toolsRegisteringWith(const HeldTool& pluginkit) {
    install::InstallTools tools = install::InstallTools::systemDefaults();
    tools.pluginkit = pluginkit.path();
    return tools;
}

// A scratch home with stub registry tools, the archive tool, a payload folder and an engine.
class EngineTest : public ScratchHomeTest {
protected:
    install::InstallEngine engine() const {
        return {install::HostApplicationGuard(processes),
                std::make_shared<platform::SystemProcessRunner>(),
                {ditto, pluginkit.path(), lsregister.path()}};
    }
    // A package whose Motion Templates go in the category's folder "Blur".
    static catalog::PackageManifest
    package(const QString& id, const QString& payloadPath,
            catalog::PackageType type = catalog::PackageType::generator,
            const QString& version = "1.0.0") {
        catalog::PackageManifest package = testPackage(id, type, version);
        package.category = "Blur";
        package.bundlePayloadPath = payloadPath;
        return package;
    }
    install::InstallResultOr<install::InstallResult>
    install(const catalog::PackageManifest& package,
            const std::optional<catalog::InstalledPackage>& previous = std::nullopt,
            const std::optional<QString>& templatesRoot = std::nullopt) const {
        return engine().install(package, installRoot, templatesRoot, previous, payloadRoot);
    }
    // Fails the test with the error's text when the install fails.
    install::InstallResult
    installed(const catalog::PackageManifest& package,
              const std::optional<catalog::InstalledPackage>& previous = std::nullopt,
              const std::optional<QString>& templatesRoot = std::nullopt) const {
        const auto result = install(package, previous, templatesRoot);
        EXPECT_TRUE(result) << (result ? "" : install::description(result.error()).toStdString());
        // As once the records are saved: what the install set aside goes.
        install::finishInstallJournal(engine().registrar());
        return result ? *result : install::InstallResult{};
    }
    // Uninstalls, and once it succeeded, deletes what it set aside, as once the record is gone.
    install::InstallFailure uninstalled(const catalog::InstalledPackage& record) const {
        auto failure = engine().uninstall(record);
        if (!failure) {
            install::finishInstallJournal(engine().registrar());
        }
        return failure;
    }
    static catalog::InstalledPackage recordOf(const catalog::PackageManifest& package,
                                              const install::InstallResult& result) {
        return {package.id,   package.version,    {},
                package.type, result.installPath, result.templateInstallPaths};
    }
    static catalog::InstalledPackage recordAt(const QString& installPath,
                                              const QStringList& templatePaths = {}) {
        return {"blur", "1.0", {}, catalog::PackageType::generator, installPath, templatePaths};
    }
    // The install journal an operation left in the support folder; nothing, and a failure of the
    // test, unless there is exactly one.
    static QString pendingJournal() {
        const QString support = catalog::applicationSupportDirectory();
        const QStringList journals =
            QDir(support).entryList({".install-journal-*"}, QDir::Files | QDir::Hidden);
        EXPECT_EQ(journals.size(), 1) << journals.join(", ").toStdString();
        return journals.size() == 1 ? support + "/" + journals.first() : QString();
    }
    // Keeps the first half of that journal, as a disk that lost the rest would.
    static void cutPendingJournalInHalf() {
        const QString journal = pendingJournal();
        const QByteArray bytes = journal.isEmpty() ? QByteArray() : readFile(journal);
        writeFile(journal, bytes.left(bytes.size() / 2));
    }
    // What an operation must not leave once it has ended: anything in Cache, hidden staging or
    // aside folders in the install root, and journals.
    QStringList leftoverWorkFolders() const {
        const auto entries = [](const QString& folder, const QStringList& patterns) {
            return QDir(folder).entryList(patterns, QDir::AllEntries | QDir::Hidden | QDir::System |
                                                        QDir::NoDotAndDotDot);
        };
        return entries(catalog::cacheDirectory(), {}) + entries(installRoot, {".marlox-*"}) +
               entries(catalog::applicationSupportDirectory(), {".install-journal-*"});
    }

    StubTool pluginkit{home.filePath("tools"), "pluginkit"};
    StubTool lsregister{home.filePath("tools"), "lsregister"};
    QString ditto = platform::dittoToolPath();
    std::shared_ptr<FakeProcessLister> processes = std::make_shared<FakeProcessLister>();
    QString payloadRoot = home.filePath("payload");
    QString installRoot = home.filePath("home/Applications/Marlox Studio Plugins");
    QString templatesRoot = home.filePath("home/Movies/Motion Templates.localized");
};

} // namespace marlox::testing

#include "InstallTestSupport.h"

#include "catalog/OperationsLog.h"
#include "platform/HttpClient.h"
#include "platform/PropertyList.h"
#include "support/ZipWriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marlox::testing {
namespace {

// The parent's process id, the fourth field of /proc/<pid>/stat; the command name before it may
// hold spaces and parentheses, so the fields are counted from the last ')'.
qint64 parentProcessID(qint64 processID) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processID));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : -1;
}

// Every item below the root, hidden ones included, in path order.
QStringList itemsBelow(const QString& root) {
    QStringList paths;
    QDirIterator items(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (items.hasNext()) {
        paths.append(items.next());
    }
    paths.sort();
    return paths;
}

void makeExecutable(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

} // namespace

QList<platform::RunningApplication>
OwnChildProcessLister::runningApplications(const QString& bundleIdentifier,
                                           const QString& executableName) const {
    QList<platform::RunningApplication> children;
    for (const auto& application : m_system.runningApplications(bundleIdentifier, executableName)) {
        if (parentProcessID(application.processIdentifier) == QCoreApplication::applicationPid()) {
            children.append(application);
        }
    }
    return children;
}

RunningHost::RunningHost(const QString& executableName) {
    const QString executable = m_folder.filePath(executableName);
    EXPECT_TRUE(QFile::copy("/bin/sleep", executable));
    QFile::setPermissions(executable, QFile::permissions("/bin/sleep"));
    m_process.start(executable, {"30"});
    EXPECT_TRUE(m_process.waitForStarted()) << m_process.errorString().toStdString();
}

RunningHost::~RunningHost() {
    m_process.kill();
    m_process.waitForFinished();
}

QList<catalog::PackageManifest> builtInPackages() {
    const auto catalog =
        catalog::decodeCatalogManifest(readFile(catalog::urlForResource("manifest", "json")));
    EXPECT_TRUE(catalog);
    return catalog ? catalog->packages : QList<catalog::PackageManifest>{};
}

catalog::PackageManifest builtInPackage(const QString& id) {
    for (const catalog::PackageManifest& package : builtInPackages()) {
        if (package.id == id) {
            return package;
        }
    }
    ADD_FAILURE() << "the built-in catalog has no " << id.toStdString();
    return {};
}

QStringList registeredPluginLines() {
    const auto result = platform::SystemProcessRunner().run(platform::pluginkitToolPath(),
                                                            {"-m", "-A", "-D", "-v"});
    return QString::fromUtf8(result.standardOutput).split('\n', Qt::SkipEmptyParts);
}

void makeBundle(const QString& path, const QString& identifier, const QString& version) {
    QVariantMap info{{"CFBundleName", QFileInfo(path).completeBaseName()},
                     {"CFBundleShortVersionString", version}};
    if (!identifier.isEmpty()) {
        info.insert("CFBundleIdentifier", identifier);
    }
    if (path.endsWith(".pluginkit")) {
        info.insert("PlugInKit", QVariantMap{{"Protocol", "FxPlug"}});
    }
    writeFile(path + "/Contents/Info.plist", platform::xmlPropertyList(info));
    const QString executable = path + "/Contents/MacOS/" + QFileInfo(path).completeBaseName();
    writeFile(executable, "#!/bin/sh\nexit 0\n");
    makeExecutable(executable);
    writeFile(path + "/Contents/Resources/strings.txt", "resource of " + path.toUtf8());
}

void zipTree(const QString& root, const QString& zipPath) {
    QDir().mkpath(QFileInfo(zipPath).path());
    ZipWriter zip(zipPath);
    for (const QString& path : itemsBelow(root)) {
        const QString name = QDir(root).relativeFilePath(path);
        if (QFileInfo(path).isDir()) {
            zip.addDirectory(name + '/');
        } else {
            zip.addFile(name, readFile(path), QFileInfo(path).isExecutable() ? 0755 : 0644);
        }
    }
    ASSERT_TRUE(zip.close()) << zipPath.toStdString();
}

void writeZip(const QString& path, const QMap<QString, QByteArray>& entries) {
    const QTemporaryDir staging;
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
        writeFile(staging.filePath(entry.key()), entry.value());
    }
    zipTree(staging.path(), path);
}

QStringList treeSnapshot(const QString& root) {
    QStringList lines;
    for (const QString& path : itemsBelow(root)) {
        const QFileInfo item(path);
        QString line = QDir(root).relativeFilePath(path);
        if (item.isSymLink()) {
            char target[4096] = {};
            const ssize_t length =
                ::readlink(QFile::encodeName(path).constData(), target, sizeof target - 1);
            line += " link=" + QString::fromUtf8(target, length < 0 ? 0 : length);
        } else {
            line += " perms=" + QString::number(int(item.permissions()), 16) +
                    (item.isDir() ? " folder"
                                  : " sha=" + QCryptographicHash::hash(readFile(path),
                                                                       QCryptographicHash::Sha1)
                                                  .toHex());
        }
        lines.append(line);
    }
    return lines;
}

StubTool::StubTool(const QString& folder, const QString& name)
    : m_folder(folder + "/" + name + ".stub"), m_path(m_folder + "/" + name) {
    writeFile(m_path, "#!/bin/sh\n"
                      "stub='" +
                          m_folder.toUtf8() +
                          "'\n"
                          "printf '%s\\n' \"$*\" >> \"$stub/calls\"\n"
                          "[ -f \"$stub/reply$1\" ] && cat \"$stub/reply$1\"\n"
                          "[ -f \"$stub/stderr$1\" ] && cat \"$stub/stderr$1\" >&2\n"
                          "[ -f \"$stub/exit$1\" ] && exit \"$(cat \"$stub/exit$1\")\"\n"
                          "exit 0\n");
    makeExecutable(m_path);
}

QStringList StubTool::calls() const {
    QFile file(m_folder + "/calls");
    return file.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
               : QStringList();
}

HeldTool::HeldTool(const QString& folder, const QString& realTool)
    : m_folder(folder), m_path(folder + "/" + QFileInfo(realTool).fileName()) {
    QDir().mkpath(m_folder);
    EXPECT_EQ(::mkfifo(QFile::encodeName(m_folder + "/release").constData(), 0600), 0);
    // The first call finds the pipe, waits for the test to close its end, and removes it, so
    // later calls run straight through. The wait is bounded: a caller that blocks the main thread
    // then finishes late instead of hanging the test.
    writeFile(m_path, "#!/bin/sh\n"
                      "gate='" +
                          m_folder.toUtf8() +
                          "'\n"
                          "if [ -p \"$gate/release\" ]; then\n"
                          "  : > \"$gate/held\"\n"
                          "  timeout 10 cat \"$gate/release\" > /dev/null\n"
                          "  rm -f \"$gate/release\"\n"
                          "fi\n"
                          "exec '" +
                          realTool.toUtf8() + "' \"$@\"\n");
    makeExecutable(m_path);
}

bool HeldTool::waitUntilHeld() {
    return runMainLoopUntil([&] { return QFileInfo::exists(m_folder + "/held"); });
}

void HeldTool::release() {
    // Opening the pipe waits for its reader, so it is opened only once a call is waiting on it.
    if (m_released || !QFileInfo::exists(m_folder + "/held")) {
        return;
    }
    m_released = true;
    const int pipe = ::open(QFile::encodeName(m_folder + "/release").constData(), O_WRONLY);
    if (pipe >= 0) {
        ::close(pipe);
    }
}

void CoordinatorTest::makeCoordinator(const install::InstallTools& engineTools,
                                      const QString& downloadArchiveTool) {
    coordinator.reset();
    remote = std::make_unique<catalog::RemoteArtifactService>(
        std::make_shared<platform::NetworkHttpClient>(),
        std::make_shared<platform::SystemProcessRunner>(), downloadArchiveTool);
    const install::HostApplicationGuard guard(processes);
    coordinator = std::make_unique<install::InstallationCoordinator>(
        store, installAccess, templatesAccess, *remote,
        install::InstallationCoordinatorDependencies{
            install::InstallEngine(guard, std::make_shared<platform::SystemProcessRunner>(),
                                   engineTools),
            guard});
    const auto* published = coordinator.get();
    QObject::connect(
        published, &install::InstallationCoordinator::statusMessageByIDChanged, [this, published] {
            const auto& statuses = published->statusMessageByID();
            for (auto status = statuses.cbegin(); status != statuses.cend(); ++status) {
                QStringList& history = statusHistory[status.key()];
                if (history.isEmpty() || history.last() != status.value()) {
                    history.append(status.value());
                }
            }
        });
    QObject::connect(
        published, &install::InstallationCoordinator::bulkInstallProgressChanged,
        [this, published] { progressHistory.append(published->bulkInstallProgress()); });
}

QStringList CoordinatorTest::logMessages() const {
    catalog::flushOperationsLog();
    QFile file(catalog::operationsLogFilePath());
    QStringList messages;
    if (!file.open(QIODevice::ReadOnly)) {
        return messages;
    }
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
        messages.append(line.mid(line.indexOf("] ") + 2));
    }
    return messages;
}

catalog::PackageManifest CoordinatorTest::servedGlowPackage(const QString& version) {
    const QString zipPath = home.filePath("served/glow-" + version + ".zip");
    if (!QFileInfo::exists(zipPath)) {
        const QString staging = home.filePath("served/" + version);
        makeBundle(staging + "/Payloads/Glow/Glow.pluginkit", "studio.marlox.glow.plugin", version);
        writeFile(staging + "/Payloads/Glow/Glow.pluginkit/Contents/Resources/version.txt",
                  version.toUtf8());
        zipTree(staging, zipPath);
        HttpAnswer answer;
        answer.body = readFile(zipPath);
        server.setAnswer("/" + QFileInfo(zipPath).fileName(), answer);
    }
    catalog::PackageManifest package;
    package.id = glowID;
    package.name = "Glow";
    package.type = catalog::PackageType::filter;
    package.category = "Color & Grade";
    package.version = version;
    // The archive's single top-level folder is the payload root the path is looked up in.
    package.bundlePayloadPath = "Glow";
    package.downloadURL = server.url("/" + QFileInfo(zipPath).fileName()).toString();
    package.sha256 = QString::fromLatin1(
        QCryptographicHash::hash(readFile(zipPath), QCryptographicHash::Sha256).toHex());
    return package;
}

std::optional<catalog::InstalledPackage> CoordinatorTest::savedRecord(const QString& id) const {
    const auto records =
        catalog::decodeInstalledPackages(readFile(catalog::installedRecordsFileURL()));
    EXPECT_TRUE(records) << "installed.json cannot be read";
    for (const catalog::InstalledPackage& record :
         records ? *records : QList<catalog::InstalledPackage>{}) {
        if (record.id == id) {
            return record;
        }
    }
    return std::nullopt;
}

} // namespace marlox::testing

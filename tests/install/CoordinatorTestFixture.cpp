#include "CoordinatorTestFixture.h"

#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "catalog/OperationsLog.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "support/ZipWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marlox::testing {
namespace {

// Zips the folder's tree, every entry named relative to the folder, keeping each file's mode.
void zipTree(const QString& root, const QString& zipPath) {
    QDir().mkpath(QFileInfo(zipPath).path());
    ZipWriter zip(zipPath);
    QDirIterator items(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    QStringList paths;
    while (items.hasNext()) {
        paths.append(items.next());
    }
    paths.sort();
    for (const QString& path : paths) {
        const QString name = QDir(root).relativeFilePath(path);
        if (QFileInfo(path).isDir()) {
            zip.addDirectory(name + '/');
        } else {
            const int mode = QFileInfo(path).isExecutable() ? 0755 : 0644;
            zip.addFile(name, readFile(path), mode);
        }
    }
    ASSERT_TRUE(zip.close()) << zipPath.toStdString();
}

} // namespace

HeldTool::HeldTool(const QString& folder, const QString& realTool)
    : m_folder(folder), m_path(folder + "/" + QFileInfo(realTool).fileName()) {
    QDir().mkpath(m_folder);
    EXPECT_EQ(::mkfifo(QFile::encodeName(m_folder + "/release").constData(), 0600), 0);
    // The first call finds the pipe, waits for the test to close its end, and removes it, so
    // later calls run straight through. The wait is bounded: a caller that blocks the main thread
    // then finishes late instead of hanging the test.
    const QByteArray script = "#!/bin/sh\n"
                              "gate='" +
                              m_folder.toUtf8() +
                              "'\n"
                              "if [ -p \"$gate/release\" ]; then\n"
                              "  : > \"$gate/held\"\n"
                              "  timeout 10 cat \"$gate/release\" > /dev/null\n"
                              "  rm -f \"$gate/release\"\n"
                              "fi\n"
                              "exec '" +
                              realTool.toUtf8() + "' \"$@\"\n";
    writeFile(m_path, script);
    QFile::setPermissions(m_path, QFile::permissions(m_path) | QFileDevice::ExeOwner);
}

HeldTool::~HeldTool() {
    release();
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

bool runMainLoopUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

CoordinatorTest::CoordinatorTest() {
    makeCoordinator();
}

CoordinatorTest::~CoordinatorTest() {
    EXPECT_TRUE(settle());
    coordinator.reset();
    remote.reset();
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
    QObject::connect(coordinator.get(), &install::InstallationCoordinator::statusMessageByIDChanged,
                     [this, published = coordinator.get()] {
                         const auto& statuses = published->statusMessageByID();
                         for (auto status = statuses.cbegin(); status != statuses.cend();
                              ++status) {
                             QStringList& history = statusHistory[status.key()];
                             if (history.isEmpty() || history.last() != status.value()) {
                                 history.append(status.value());
                             }
                         }
                     });
    QObject::connect(coordinator.get(),
                     &install::InstallationCoordinator::bulkInstallProgressChanged,
                     [this, published = coordinator.get()] {
                         progressHistory.append(published->bulkInstallProgress());
                     });
}

bool CoordinatorTest::settle() {
    return runMainLoopUntil([&] { return coordinator->activePackageIDs().isEmpty(); });
}

bool CoordinatorTest::settleBulkRun() {
    return runMainLoopUntil([&] {
        return !progressHistory.isEmpty() && !progressHistory.last() &&
               coordinator->activePackageIDs().isEmpty();
    });
}

QStringList CoordinatorTest::logMessages() const {
    catalog::flushOperationsLog();
    QFile file(catalog::operationsLogFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList messages;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
        messages.append(line.mid(line.indexOf("] ") + 2));
    }
    return messages;
}

catalog::PackageManifest CoordinatorTest::servedGlowPackage(const QString& version,
                                                            std::optional<QString> sha256) {
    const QString path = "/glow-" + version + ".zip";
    if (!m_servedZips.contains(version)) {
        const QString staging = home.filePath("served/" + version);
        makeBundle(staging + "/Payloads/Glow/Glow.pluginkit", "studio.marlox.glow.plugin", version);
        writeFile(staging + "/Payloads/Glow/Glow.pluginkit/Contents/Resources/version.txt",
                  version.toUtf8());
        const QString zipPath = home.filePath("served/glow-" + version + ".zip");
        zipTree(staging, zipPath);
        m_servedZips.insert(version, readFile(zipPath));
        HttpAnswer answer;
        answer.body = m_servedZips.value(version);
        server.setAnswer(path, answer);
    }
    catalog::PackageManifest package;
    package.id = "studio.marlox.glow";
    package.name = "Glow";
    package.type = catalog::PackageType::filter;
    package.category = "Color & Grade";
    package.version = version;
    // The archive's single top-level folder is the payload root the path is looked up in.
    package.bundlePayloadPath = "Glow";
    package.downloadURL = server.url(path).toString();
    package.sha256 = std::move(sha256);
    return package;
}

QString CoordinatorTest::servedGlowDigest(const QString& version) const {
    return QString::fromLatin1(
        QCryptographicHash::hash(m_servedZips.value(version), QCryptographicHash::Sha256).toHex());
}

QString CoordinatorTest::installFolder() const {
    return catalog::installFolderPath();
}

QString CoordinatorTest::templatesFolder() const {
    return install::motionTemplatesFolderPath();
}

std::optional<catalog::InstalledPackage> CoordinatorTest::savedRecord(const QString& id) const {
    QFile file(catalog::installedRecordsFileURL());
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const auto records = catalog::decodeInstalledPackages(file.readAll());
    EXPECT_TRUE(records) << "installed.json cannot be read";
    if (!records) {
        return std::nullopt;
    }
    for (const catalog::InstalledPackage& record : *records) {
        if (record.id == id) {
            return record;
        }
    }
    return std::nullopt;
}

} // namespace marlox::testing

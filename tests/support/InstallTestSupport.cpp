#include "support/InstallTestSupport.h"

#include "platform/PropertyList.h"
#include "support/FileSupport.h"
#include "support/ZipWriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace marlox::testing {
namespace {

// The fourth field of /proc/<pid>/stat, counted from the last ')' as the command may hold some.
qint64 parentProcessID(qint64 processID) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processID));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ').value(1, "-1").toLongLong();
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

RunningHost::RunningHost(const QString& executableName, std::optional<uid_t> otherUser) {
    const QString executable = m_folder.filePath(executableName);
    EXPECT_TRUE(QFile::copy("/bin/sleep", executable));
    QFile::setPermissions(executable, QFile::permissions("/bin/sleep"));
    if (otherUser) {
        // The other user must reach the copy.
        QFile::setPermissions(m_folder.path(), QFile::permissions(m_folder.path()) |
                                                   QFileDevice::ExeOther | QFileDevice::ReadOther);
        const uid_t user = *otherUser;
        m_process.setChildProcessModifier([user] {
            if (::setgid(user) != 0 || ::setuid(user) != 0) {
                ::_exit(127);
            }
        });
    }
    m_process.start(executable, {"30"});
    EXPECT_TRUE(m_process.waitForStarted()) << m_process.errorString().toStdString();
}

RunningHost::~RunningHost() {
    m_process.kill();
    m_process.waitForFinished();
}

HeldTool::HeldTool(const QString& folder, const QString& realToolPath, const QString& heldArgument)
    : m_folder(folder), m_path(folder + "/" + QFileInfo(realToolPath).fileName()) {
    writeExecutable(m_path, QStringLiteral(R"sh(#!/bin/sh
case "$*" in *'%3'*)
  if [ ! -e '%1/held' ]; then
    : > '%1/held'
    for i in $(seq 1000); do [ -e '%1/release' ] && break; sleep 0.01; done
  fi;;
esac
exec '%2' "$@"
)sh")
                          .arg(m_folder, realToolPath, heldArgument)
                          .toUtf8());
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

QStringList registryFileLines() {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         "/pluginkit/registry.json";
    QStringList lines;
    // No file: the registry never listed anything.
    const QByteArray bytes = contentsOf(path).value_or(QByteArray());
    for (const QJsonValue& value : QJsonDocument::fromJson(bytes).array()) {
        const QJsonObject entry = value.toObject();
        const auto field = [&](const char* key) { return entry.value(key).toString(); };
        lines.append(QString("%1 %2(%3) %4 %5")
                         .arg(field("election"), field("identifier"), field("version"),
                              field("path"), field("uuid")));
    }
    return lines;
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
    writeExecutable(executable, "#!/bin/sh\nexit 0\n");
    writeFile(path + "/Contents/Resources/strings.txt", "resource of " + path.toUtf8());
}

void zipTree(const QString& root, const QString& zipPath) {
    QDir().mkpath(QFileInfo(zipPath).path());
    ZipWriter zip(zipPath);
    for (const QString& name : treeOf(root)) {
        const QString path = root + '/' + name;
        if (QFileInfo(path).isDir()) {
            zip.addDirectory(name + '/');
        } else {
            zip.addFile(name, readFile(path), QFileInfo(path).isExecutable() ? 0755 : 0644);
        }
    }
    ASSERT_TRUE(zip.close()) << zipPath.toStdString();
}

void writeZipOfFiles(const QString& path, const QMap<QString, QByteArray>& files) {
    const QTemporaryDir staging;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        writeFile(staging.filePath(file.key()), file.value());
    }
    zipTree(staging.path(), path);
}

QStringList treeSnapshot(const QString& root) {
    QStringList lines;
    for (QString line : treeOf(root)) {
        const QString path = root + '/' + line;
        const QFileInfo item(path);
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

QStringList modificationTimes(const QString& root) {
    QStringList lines;
    for (const QString& name : treeOf(root)) {
        struct stat status = {};
        const bool read = ::lstat(QFile::encodeName(root + '/' + name).constData(), &status) == 0;
        lines.append(name + ' ' +
                     (read ? QString::number(status.st_mtim.tv_sec) + '.' +
                                 QString::number(status.st_mtim.tv_nsec)
                           : QStringLiteral("unreadable")));
    }
    return lines;
}

StubTool::StubTool(const QString& folder, const QString& name)
    : m_folder(folder + "/" + name + ".stub"), m_path(m_folder + "/" + name) {
    writeExecutable(m_path, QStringLiteral(R"sh(#!/bin/sh
stub='%1'
printf '%s\n' "$*" >> "$stub/calls"
[ -f "$stub/reply$1" ] && cat "$stub/reply$1"
[ -f "$stub/stderr$1" ] && cat "$stub/stderr$1" >&2
[ -f "$stub/exit$1" ] && exit "$(cat "$stub/exit$1")"
exit 0
)sh")
                          .arg(m_folder)
                          .toUtf8());
}

QStringList StubTool::calls() const {
    QFile file(m_folder + "/calls");
    return file.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
               : QStringList();
}

} // namespace marlox::testing

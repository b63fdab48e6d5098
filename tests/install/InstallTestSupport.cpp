#include "InstallTestSupport.h"

#include "catalog/Environment.h"
#include "platform/ProcessRunner.h"
#include "platform/PropertyList.h"
#include "platform/SystemTools.h"
#include "support/ScratchHome.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
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
    QFile::setPermissions(executable, QFile::permissions(executable) | QFileDevice::ExeOwner);
    writeFile(path + "/Contents/Resources/strings.txt", "resource of " + path.toUtf8());
}

StubTool::StubTool(const QString& folder, const QString& name)
    : m_folder(folder + "/" + name + ".stub"), m_path(m_folder + "/" + name) {
    QDir().mkpath(m_folder);
    const QByteArray script =
        "#!/bin/sh\n"
        "stub='" +
        m_folder.toUtf8() +
        "'\n"
        "for argument in \"$@\"; do printf '%s\\037' \"$argument\"; done >> \"$stub/calls\"\n"
        "printf '\\n' >> \"$stub/calls\"\n"
        "[ -f \"$stub/reply$1\" ] && cat \"$stub/reply$1\"\n"
        "[ -f \"$stub/stderr$1\" ] && cat \"$stub/stderr$1\" >&2\n"
        "[ -f \"$stub/exit$1\" ] && exit \"$(cat \"$stub/exit$1\")\"\n"
        "exit 0\n";
    writeFile(m_path, script);
    QFile::setPermissions(m_path, QFile::permissions(m_path) | QFileDevice::ExeOwner);
}

void StubTool::reply(const QString& option, const QByteArray& output) const {
    writeFile(m_folder + "/reply" + option, output);
}

void StubTool::fail(const QString& option, int exitCode, const QByteArray& errorOutput) const {
    writeFile(m_folder + "/exit" + option, QByteArray::number(exitCode));
    writeFile(m_folder + "/stderr" + option, errorOutput);
}

QList<QStringList> StubTool::calls() const {
    QList<QStringList> calls;
    QFile file(m_folder + "/calls");
    if (!file.open(QIODevice::ReadOnly)) {
        return calls;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        QStringList arguments = QString::fromUtf8(line).split(QChar(0x1f));
        arguments.removeLast();
        calls.append(arguments);
    }
    return calls;
}

QList<QStringList> StubTool::callsWith(const QString& option) const {
    QList<QStringList> matching;
    for (const QStringList& call : calls()) {
        if (!call.isEmpty() && call.first() == option) {
            matching.append(call);
        }
    }
    return matching;
}

QByteArray registryLine(const QString& identifier, const QString& path) {
    return "+    " + identifier.toUtf8() +
           "(1.0)\t0F4C7A1E-2B3D-4C5E-8F90-A1B2C3D4E5F6\t2026-01-01 10:00:00 +0000\t" +
           path.toUtf8() + "\n";
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

QStringList treeSnapshot(const QString& root) {
    QStringList lines;
    QDirIterator items(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (items.hasNext()) {
        const QFileInfo item(items.next());
        const QString relative = QDir(root).relativeFilePath(item.filePath());
        QString line =
            relative + " perms=" +
            (item.isSymLink() ? QString() : QString::number(int(item.permissions()), 16));
        if (item.isSymLink()) {
            char target[4096] = {};
            const ssize_t length = ::readlink(QFile::encodeName(item.filePath()).constData(),
                                              target, sizeof target - 1);
            line += " link=" + QString::fromUtf8(target, length < 0 ? 0 : length);
        } else if (item.isDir()) {
            line += " folder";
        } else {
            QFile file(item.filePath());
            file.open(QIODevice::ReadOnly);
            line += " sha=" +
                    QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
        }
        lines.append(line);
    }
    lines.sort();
    return lines;
}

} // namespace marlox::testing

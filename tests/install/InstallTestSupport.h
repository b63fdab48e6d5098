#pragma once

#include "catalog/CatalogManifest.h"
#include "platform/LoginItem.h"
#include "platform/ProcessList.h"
#include "platform/Workspace.h"
#include "support/QtPrinters.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace marlox::testing {

// Remembers the folders it was asked to show.
class RecordingWorkspace final : public platform::Workspace {
public:
    void openFolder(const QString& path) override { openedFolders.append(path); }
    QStringList openedFolders;
};

// A login item that can never be registered.
class NoLoginItem final : public platform::LoginItem {
public:
    platform::LoginItemStatus status() const override {
        return platform::LoginItemStatus::notRegistered;
    }
    std::optional<platform::LoginItemError> registerItem() override {
        return platform::LoginItemError{"no"};
    }
    std::optional<platform::LoginItemError> unregisterItem() override { return std::nullopt; }
};

// The system's process list narrowed to the children of this test process: the test binaries
// run side by side, and a host one of them starts must not block the others.
class OwnChildProcessLister final : public platform::ProcessLister {
public:
    QList<platform::RunningApplication>
    runningApplications(const QString& bundleIdentifier,
                        const QString& executableName) const override;

private:
    platform::SystemProcessLister m_system;
};

// A real process with the given executable name (a copy of sleep) while it lives.
class RunningHost {
public:
    explicit RunningHost(const QString& executableName);
    ~RunningHost();

    RunningHost(const RunningHost&) = delete;
    RunningHost& operator=(const RunningHost&) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
};

// The packages of the catalog the built bundle carries.
QList<catalog::PackageManifest> builtInPackages();
catalog::PackageManifest builtInPackage(const QString& id);

// What the bundled plug-in registry lists, one line per registered plug-in.
QStringList registeredPluginLines();

// Writes a bundle with the macOS layout: Contents/Info.plist (with the identifier when one is
// given), an executable in Contents/MacOS and a resource.
void makeBundle(const QString& path, const QString& identifier, const QString& version = "1.0");

// A shell script standing in for a system tool. It records every call's arguments and answers
// according to what the test set for the call's first argument.
class StubTool {
public:
    StubTool(const QString& folder, const QString& name);

    const QString& path() const { return m_path; }
    // Standard output for calls whose first argument is `option`.
    void reply(const QString& option, const QByteArray& output) const;
    // Exit status and standard error for calls whose first argument is `option`.
    void fail(const QString& option, int exitCode, const QByteArray& errorOutput = {}) const;
    // Every call so far, in order, as its argument list.
    QList<QStringList> calls() const;
    // The calls whose first argument is `option`.
    QList<QStringList> callsWith(const QString& option) const;

private:
    QString m_folder;
    QString m_path;
};

// A registry query line as pluginkit prints it with -v.
QByteArray registryLine(const QString& identifier, const QString& path);

// Path, kind, permissions, link target and contents of every item below the root, one line each,
// hidden items included; two trees with the same snapshot hold the same bytes.
QStringList treeSnapshot(const QString& root);

} // namespace marlox::testing

#pragma once

#include "InstallErrors.h"
#include "platform/ProcessRunner.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace marlox::install {

// Makes installed bundles known to the system: applications to Launch Services (lsregister),
// plug-ins to the plug-in registry (pluginkit), elected for use under the FxPlug protocol. Every
// call blocks on its child processes, so it runs on a background thread.
class FxPlugRegistrar {
public:
    FxPlugRegistrar(std::shared_ptr<platform::ProcessRunner> processRunner, QString pluginkitPath,
                    QString lsregisterPath);

    // Launch Services first, then every plug-in the application carries.
    InstallFailure registerApplication(const QString& applicationPath) const;
    InstallFailure registerPlugin(const QString& pluginPath) const;
    InstallFailure runLaunchServicesRegister(const QString& applicationPath) const;
    // The tool's standard output followed by its standard error, or the failure, which names the
    // subject path.
    InstallResultOr<QString> runTool(const QString& executablePath, const QStringList& arguments,
                                     const QString& subjectPath) const;

    // The plug-ins anywhere below the application's Contents/PlugIns, sorted by path.
    static QStringList embeddedPlugins(const QString& applicationPath);
    static std::optional<QString> enclosingApplicationBundle(const QString& path);

    // The canonical paths the registry lists for the identifier; a failed query lists none.
    QStringList registeredPaths(const QString& identifier, const QString& subjectPath,
                                const QStringList& arguments = {}) const;
    void removeStaleRegistrations(const QString& identifier, const QString& keptPath) const;
    void purgeDerivedDataCopies(const QString& identifier, const QString& keptPath) const;
    bool isRegistered(const QString& identifier, const QString& keptPath) const;

    const QString& pluginkitPath() const { return m_pluginkitPath; }

private:
    std::shared_ptr<platform::ProcessRunner> m_processRunner;
    QString m_pluginkitPath;
    QString m_lsregisterPath;
};

} // namespace marlox::install

#pragma once

#include "InstallErrors.h"
#include "platform/ProcessRunner.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace marlox::install {

// One registration as the plug-in registry lists it.
struct PluginRegistration {
    // Where the registry says the bundle is, links resolved.
    QString path;
    QString identifier;
    QString version;
    // "use", "ignore", or empty where the plug-in is not elected either way.
    QString election;

    bool operator==(const PluginRegistration&) const = default;
};

// The bundles of a folder that registration makes known: its applications, and the plug-ins no
// application carries, each sorted by path.
struct DiscoveredBundles {
    QStringList applications;
    QStringList standalonePlugins;
};

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
    // The tool's standard output, its listing, with what it noted on standard error logged; or the
    // failure, which names the subject path and quotes standard output followed by standard error.
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

    // The folder itself and every bundle below it.
    static DiscoveredBundles discoverBundles(const QString& folder);
    // The plug-ins a folder's registration registers: the standalone ones, then those each
    // application carries.
    static QStringList pluginsWithin(const QString& folder);
    // The bundle's identifier; empty when it has none or is no bundle.
    static QString bundleIdentifier(const QString& bundlePath);
    // Removes the registration at the path.
    InstallFailure unregisterPlugin(const QString& pluginPath) const;

    // Every registration the registry lists; nothing when it cannot be asked.
    std::optional<QList<PluginRegistration>> registrations() const;
    // Registers the plug-in at the registration's path again and elects it as the registration
    // says, unless the registry lists it so already; `listed` is what it lists at that path.
    InstallFailure restoreRegistration(const PluginRegistration& registration,
                                       const std::optional<PluginRegistration>& listed) const;
    // What the registry lists once the bundle at the path is registered, elected as given:
    // nothing where no bundle with an identifier is there.
    static std::optional<PluginRegistration> registrationOfBundle(const QString& pluginPath,
                                                                  const QString& election);
    // Whether the bundle at the registration's path is the one it names: its identifier, and
    // its version where the bundle has one.
    static bool namesBundleOnDisk(const PluginRegistration& registration);

    const QString& pluginkitPath() const { return m_pluginkitPath; }

private:
    std::shared_ptr<platform::ProcessRunner> m_processRunner;
    QString m_pluginkitPath;
    QString m_lsregisterPath;
};

} // namespace marlox::install

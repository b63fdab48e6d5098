#include "FxPlugRegistrar.h"

#include "FileOperations.h"
#include "catalog/OperationsLog.h"
#include "platform/Bundle.h"
#include "platform/StandardFolders.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace marlox::install {
namespace {

constexpr int registrationAttempts = 3;
const QString pluginExtension = QStringLiteral("pluginkit");

// Applications and the plug-ins they hold are found by their extensions ignoring case; the
// registry finds the plug-ins of an application, and copies the developer tools made, by the exact
// lower-case "pluginkit".
bool hasExtension(const QString& path, const QString& extension, Qt::CaseSensitivity sensitivity) {
    return QFileInfo(path).suffix().compare(extension, sensitivity) == 0;
}

void classifyBundle(const QString& path, QStringList& applications, QStringList& plugins) {
    if (hasExtension(path, QStringLiteral("app"), Qt::CaseInsensitive)) {
        applications.append(path);
    } else if (hasExtension(path, pluginExtension, Qt::CaseInsensitive)) {
        plugins.append(path);
    }
}

void sortWithoutDuplicates(QStringList& paths) {
    paths.removeDuplicates();
    paths.sort();
}

// A verbose line of the registry's listing: "<mark>    <identifier>(<version>)\t<UUID>\t<time>\t
// <path>", the mark '+' for use and '-' for ignore. The registry lists no identifier holding "("
// or a tab and no version holding a tab, so the fields are found by those, whatever "/" or "("
// the version or the path holds.
constexpr qsizetype verboseListingFields = 4;

// The path a line of the registry's listing names: its last field in a verbose line, else from
// its first "/" to its end.
std::optional<QString> listedPath(const QString& line) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    QString path;
    if (fields.size() >= verboseListingFields) {
        path = fields.mid(verboseListingFields - 1).join(QLatin1Char('\t')).trimmed();
    } else if (const qsizetype slash = line.indexOf(QLatin1Char('/')); slash >= 0) {
        path = line.mid(slash).trimmed();
    }
    return path.startsWith(QLatin1Char('/')) ? std::optional(path) : std::nullopt;
}

std::optional<PluginRegistration> readRegistrationLine(const QString& line) {
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    const QString named = line.mid(1, tab - 1).trimmed();
    const qsizetype open = named.indexOf(QLatin1Char('('));
    const std::optional<QString> path = listedPath(line);
    if (tab < 0 || !path || open <= 0 || !named.endsWith(QLatin1Char(')'))) {
        return std::nullopt;
    }
    const QChar mark = line.at(0);
    return PluginRegistration{*path, named.left(open), named.mid(open + 1, named.size() - open - 2),
                              mark == QLatin1Char('+')   ? QStringLiteral("use")
                              : mark == QLatin1Char('-') ? QStringLiteral("ignore")
                                                         : QString()};
}

// A registry tool that succeeds says something on standard error only where it could not read its
// registry and set it aside under a name it gives: the registrations it held are gone until the
// installed packages register again.
void logNotes(const QByteArray& standardError) {
    for (const QString& note :
         platform::decodeToolOutput(standardError).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        catalog::log(QStringLiteral("Registry tool note: ") + note +
                     QStringLiteral(". Reinstall All Plugins registers the installed plug-ins "
                                    "again."));
    }
}

} // namespace

FxPlugRegistrar::FxPlugRegistrar(std::shared_ptr<platform::ProcessRunner> processRunner,
                                 QString pluginkitPath, QString lsregisterPath)
    : m_processRunner(std::move(processRunner)), m_pluginkitPath(std::move(pluginkitPath)),
      m_lsregisterPath(std::move(lsregisterPath)) {}

InstallResultOr<QString> FxPlugRegistrar::runTool(const QString& executablePath,
                                                  const QStringList& arguments,
                                                  const QString& subjectPath) const {
    const platform::ProcessResult result = m_processRunner->run(executablePath, arguments);
    if (!result.launched) {
        return InstallError(launchFailure(executablePath, result.launchError));
    }
    if (!result.succeeded()) {
        return InstallError(RegistrationError{subjectPath, result.exitCode,
                                              platform::decodeToolOutput(result.combinedOutput())});
    }
    // Only standard output is a listing: a note's path read as a registration's was unregistered.
    logNotes(result.standardError);
    return platform::decodeToolOutput(result.standardOutput);
}

InstallFailure FxPlugRegistrar::runLaunchServicesRegister(const QString& applicationPath) const {
    const auto result =
        runTool(m_lsregisterPath, {QStringLiteral("-f"), QStringLiteral("-R"), applicationPath},
                applicationPath);
    if (!result) {
        return result.error();
    }
    return std::nullopt;
}

InstallFailure FxPlugRegistrar::registerApplication(const QString& applicationPath) const {
    if (auto failure = runLaunchServicesRegister(applicationPath)) {
        return failure;
    }
    for (const QString& plugin : embeddedPlugins(applicationPath)) {
        if (auto failure = registerPlugin(plugin)) {
            return failure;
        }
    }
    return std::nullopt;
}

InstallFailure FxPlugRegistrar::registerPlugin(const QString& pluginPath) const {
    const std::optional<QString> application = enclosingApplicationBundle(pluginPath);
    const auto registerApplicationFirst = [&]() -> InstallFailure {
        return application ? runLaunchServicesRegister(*application) : std::nullopt;
    };
    const auto add = [&]() -> InstallFailure {
        const auto result =
            runTool(m_pluginkitPath, {QStringLiteral("-a"), pluginPath}, pluginPath);
        return result ? std::nullopt : InstallFailure(result.error());
    };

    if (auto failure = registerApplicationFirst()) {
        return failure;
    }
    const QString identifier = bundleIdentifier(pluginPath);
    if (identifier.isEmpty()) {
        // Without an identifier nothing can be elected, queried or cleaned up.
        return add();
    }
    const QString keptPath = canonicalPath(pluginPath);
    removeStaleRegistrations(identifier, keptPath);
    purgeDerivedDataCopies(identifier, keptPath);
    // The registry takes a moment to list a new plug-in; a few immediate tries are enough, and a
    // registration it never lists is still no reason to fail the install.
    for (int attempt = 0; attempt < registrationAttempts; ++attempt) {
        if (auto failure = registerApplicationFirst()) {
            return failure;
        }
        if (auto failure = add()) {
            return failure;
        }
        runTool(m_pluginkitPath,
                {QStringLiteral("-e"), QStringLiteral("use"), QStringLiteral("-i"), identifier,
                 QStringLiteral("-p"), QStringLiteral("FxPlug")},
                pluginPath);
        removeStaleRegistrations(identifier, keptPath);
        if (isRegistered(identifier, keptPath)) {
            break;
        }
    }
    return std::nullopt;
}

QString FxPlugRegistrar::bundleIdentifier(const QString& bundlePath) {
    const auto bundle = platform::Bundle::load(bundlePath);
    return bundle ? bundle->bundleIdentifier() : QString();
}

DiscoveredBundles FxPlugRegistrar::discoverBundles(const QString& folder) {
    QStringList applications;
    QStringList plugins;
    classifyBundle(folder, applications, plugins);
    for (const QString& item : enumerateTree(folder, false)) {
        classifyBundle(item, applications, plugins);
    }
    sortWithoutDuplicates(applications);
    sortWithoutDuplicates(plugins);
    QStringList standalone;
    for (const QString& plugin : plugins) {
        // Those an application carries are registered with it.
        const bool insideApplication =
            std::any_of(applications.begin(), applications.end(), [&](const QString& application) {
                return plugin.startsWith(application + QLatin1Char('/'));
            });
        if (!insideApplication) {
            standalone.append(plugin);
        }
    }
    return {applications, standalone};
}

QStringList FxPlugRegistrar::pluginsWithin(const QString& folder) {
    const DiscoveredBundles bundles = discoverBundles(folder);
    QStringList plugins = bundles.standalonePlugins;
    for (const QString& application : bundles.applications) {
        plugins.append(embeddedPlugins(application));
    }
    return plugins;
}

InstallFailure FxPlugRegistrar::unregisterPlugin(const QString& pluginPath) const {
    const auto result = runTool(m_pluginkitPath, {QStringLiteral("-r"), pluginPath}, pluginPath);
    return result ? std::nullopt : InstallFailure(result.error());
}

std::optional<QList<PluginRegistration>> FxPlugRegistrar::registrations() const {
    const auto output = runTool(
        m_pluginkitPath,
        {QStringLiteral("-m"), QStringLiteral("-A"), QStringLiteral("-D"), QStringLiteral("-v")},
        m_pluginkitPath);
    if (!output) {
        return std::nullopt;
    }
    QList<PluginRegistration> listed;
    for (const QString& line : output->split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (auto registration = readRegistrationLine(line)) {
            listed.append(*registration);
        }
    }
    return listed;
}

InstallFailure
FxPlugRegistrar::restoreRegistration(const PluginRegistration& registration,
                                     const std::optional<PluginRegistration>& listed) const {
    if (listed == registration) {
        return std::nullopt;
    }
    const QString election =
        registration.election.isEmpty() ? QStringLiteral("default") : registration.election;
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("-a"), registration.path},
          QStringList{QStringLiteral("-e"), election, QStringLiteral("-i"),
                      registration.identifier}}) {
        if (const auto result = runTool(m_pluginkitPath, arguments, registration.path); !result) {
            return result.error();
        }
    }
    return std::nullopt;
}

std::optional<PluginRegistration> FxPlugRegistrar::registrationOfBundle(const QString& pluginPath,
                                                                        const QString& election) {
    const auto bundle = platform::Bundle::load(pluginPath);
    if (!bundle || bundle->bundleIdentifier().isEmpty()) {
        return std::nullopt;
    }
    return PluginRegistration{canonicalPath(pluginPath), bundle->bundleIdentifier(),
                              bundle->displayVersion(), election};
}

bool FxPlugRegistrar::namesBundleOnDisk(const PluginRegistration& registration) {
    const auto onDisk = registrationOfBundle(registration.path, registration.election);
    // A bundle without a version of its own is listed with one the registry makes up.
    return onDisk && onDisk->identifier == registration.identifier &&
           (onDisk->version.isEmpty() || onDisk->version == registration.version);
}

std::optional<QString> FxPlugRegistrar::enclosingApplicationBundle(const QString& path) {
    const QStringList components = QDir::cleanPath(QFileInfo(path).absoluteFilePath())
                                       .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype index = 0; index < components.size(); ++index) {
        if (components.at(index).endsWith(QLatin1String(".app"))) {
            return QLatin1Char('/') + components.mid(0, index + 1).join(QLatin1Char('/'));
        }
    }
    return std::nullopt;
}

QStringList FxPlugRegistrar::embeddedPlugins(const QString& applicationPath) {
    const QString plugInsFolder = applicationPath + QLatin1String("/Contents/PlugIns");
    if (!isFolder(plugInsFolder)) {
        return {};
    }
    QStringList plugins;
    for (const QString& item : enumerateTree(plugInsFolder, false)) {
        if (hasExtension(item, pluginExtension, Qt::CaseSensitive)) {
            plugins.append(item);
        }
    }
    plugins.sort();
    return plugins;
}

QStringList FxPlugRegistrar::registeredPaths(const QString& identifier, const QString& subjectPath,
                                             const QStringList& arguments) const {
    const QStringList query =
        arguments.isEmpty() ? QStringList{QStringLiteral("-m"), QStringLiteral("-D"),
                                          QStringLiteral("-v"), QStringLiteral("-i"), identifier}
                            : arguments;
    const auto output = runTool(m_pluginkitPath, query, subjectPath);
    if (!output) {
        return {};
    }
    QStringList paths;
    for (const QString& line : output->split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (const auto path = listedPath(line)) {
            paths.append(canonicalPath(*path));
        }
    }
    return paths;
}

void FxPlugRegistrar::removeStaleRegistrations(const QString& identifier,
                                               const QString& keptPath) const {
    for (const QString& path : registeredPaths(identifier, keptPath)) {
        if (path != keptPath) {
            unregisterPlugin(path);
        }
    }
}

void FxPlugRegistrar::purgeDerivedDataCopies(const QString& identifier,
                                             const QString& keptPath) const {
    const QString derivedData =
        platform::homeFolder() + QLatin1String("/Library/Developer/Xcode/DerivedData");
    if (!isFolder(derivedData)) {
        return;
    }
    for (const QString& item : enumerateTree(derivedData, false)) {
        if (!hasExtension(item, pluginExtension, Qt::CaseSensitive) ||
            canonicalPath(item) == keptPath) {
            continue;
        }
        if (bundleIdentifier(item) != identifier) {
            continue;
        }
        unregisterPlugin(item);
    }
}

bool FxPlugRegistrar::isRegistered(const QString& identifier, const QString& keptPath) const {
    const QString canonicalKeptPath = canonicalPath(keptPath);
    const QStringList paths =
        registeredPaths(identifier, canonicalKeptPath,
                        {QStringLiteral("-m"), QStringLiteral("-A"), QStringLiteral("-D"),
                         QStringLiteral("-v"), QStringLiteral("-i"), identifier});
    // Any listing counts: a copy elsewhere still means the registry knows the identifier.
    return !paths.isEmpty();
}

} // namespace marlox::install

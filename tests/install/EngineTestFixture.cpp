#include "EngineTestFixture.h"

#include "catalog/Environment.h"
#include "platform/SystemTools.h"
#include "support/ZipWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace marlox::testing {

void writeZip(const QString& path, const QMap<QString, QByteArray>& entries) {
    QDir().mkpath(QFileInfo(path).path());
    ZipWriter zip(path);
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
        if (entry.key().endsWith('/')) {
            zip.addDirectory(entry.key());
        } else {
            zip.addFile(entry.key(), entry.value());
        }
    }
    ASSERT_TRUE(zip.close()) << path.toStdString();
}

EngineTest::EngineTest() {
    failingDitto.fail("-x", 9, "ditto: archive is damaged\n");
    ditto = platform::dittoToolPath();
}

install::InstallEngine EngineTest::engine() const {
    return install::InstallEngine(install::HostApplicationGuard(processes),
                                  std::make_shared<platform::SystemProcessRunner>(),
                                  {ditto, pluginkit.path(), lsregister.path()});
}

catalog::PackageManifest EngineTest::package(const QString& id, const QString& payloadPath,
                                             catalog::PackageType type) const {
    catalog::PackageManifest package;
    package.id = id;
    package.name = "Package " + id;
    package.type = type;
    package.category = "Blur";
    package.version = "1.0.0";
    package.bundlePayloadPath = payloadPath;
    return package;
}

install::InstallResultOr<install::InstallResult>
EngineTest::install(const catalog::PackageManifest& package,
                    const std::optional<catalog::InstalledPackage>& previous,
                    const std::optional<QString>& templatesRoot) const {
    return engine().install(package, installRoot, templatesRoot, previous, payloadRoot);
}

install::InstallResult
EngineTest::installed(const catalog::PackageManifest& package,
                      const std::optional<catalog::InstalledPackage>& previous,
                      const std::optional<QString>& templatesRoot) const {
    const auto result = install(package, previous, templatesRoot);
    EXPECT_TRUE(result) << (result ? std::string()
                                   : install::describe(result.error()).toStdString());
    return result ? *result : install::InstallResult{};
}

catalog::InstalledPackage EngineTest::recordOf(const catalog::PackageManifest& package,
                                               const install::InstallResult& result) const {
    catalog::InstalledPackage record;
    record.id = package.id;
    record.version = package.version;
    record.packageType = package.type;
    record.installPath = result.installPath;
    record.templateInstallPaths = result.templateInstallPaths;
    return record;
}

void EngineTest::hostRuns(const QString& bundleIdentifier) {
    processes->byIdentifier[bundleIdentifier] = {{4242, false}};
}

QStringList EngineTest::leftoverWorkFolders() const {
    return QDir(catalog::cacheDirectory())
        .entryList({"payload-stage-*", "payload-expand-*", "backup-*", "template-expand-*"},
                   QDir::AllEntries | QDir::Hidden);
}

} // namespace marlox::testing

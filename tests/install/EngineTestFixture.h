#pragma once

#include "InstallTestSupport.h"
#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"
#include "install/InstallEngine.h"
#include "support/ScratchHome.h"

#include <QMap>

#include <gtest/gtest.h>

#include <map>

namespace marlox::testing {

// Running applications as the test sets them.
class SwitchableProcessLister final : public platform::ProcessLister {
public:
    std::map<QString, QList<platform::RunningApplication>> byIdentifier;

    QList<platform::RunningApplication> runningApplications(const QString& bundleIdentifier,
                                                            const QString&) const override {
        const auto found = byIdentifier.find(bundleIdentifier);
        return found == byIdentifier.end() ? QList<platform::RunningApplication>{} : found->second;
    }
};

// Writes a zip archive; an entry whose name ends in "/" is a folder.
void writeZip(const QString& path, const QMap<QString, QByteArray>& entries);

// A scratch home with stub registry tools, the archive tool, a payload folder and an engine.
class EngineTest : public ScratchHomeTest {
protected:
    EngineTest();

    install::InstallEngine engine() const;
    catalog::PackageManifest
    package(const QString& id, const QString& payloadPath,
            catalog::PackageType type = catalog::PackageType::generator) const;
    install::InstallResultOr<install::InstallResult>
    install(const catalog::PackageManifest& package,
            const std::optional<catalog::InstalledPackage>& previous = std::nullopt,
            const std::optional<QString>& templatesRoot = std::nullopt) const;
    catalog::InstalledPackage recordOf(const catalog::PackageManifest& package,
                                       const install::InstallResult& result) const;
    // Fails the test with the error's text when the install failed.
    install::InstallResult
    installed(const catalog::PackageManifest& package,
              const std::optional<catalog::InstalledPackage>& previous = std::nullopt,
              const std::optional<QString>& templatesRoot = std::nullopt) const;
    void hostRuns(const QString& bundleIdentifier);
    // Items in the support folder's Cache whose names start with one of the work-folder prefixes.
    QStringList leftoverWorkFolders() const;

    StubTool pluginkit{home.filePath("tools"), "pluginkit"};
    StubTool lsregister{home.filePath("tools"), "lsregister"};
    StubTool failingDitto{home.filePath("tools"), "ditto"};
    QString ditto;
    std::shared_ptr<SwitchableProcessLister> processes =
        std::make_shared<SwitchableProcessLister>();
    QString payloadRoot = home.filePath("payload");
    QString installRoot = home.filePath("home/Applications/Marlox Studio Plugins");
    QString templatesRoot = home.filePath("home/Movies/Motion Templates.localized");
};

} // namespace marlox::testing

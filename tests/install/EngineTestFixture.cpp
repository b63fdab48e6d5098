#include "EngineTestFixture.h"

#include "catalog/Environment.h"
#include "platform/SystemTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

namespace marlox::testing {

void writeZip(const QString& path, const QMap<QString, QByteArray>& entries) {
    QDir().mkpath(QFileInfo(path).path());
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    ASSERT_EQ(archive_write_open_filename(writer, QFile::encodeName(path).constData()), ARCHIVE_OK);
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
        archive_entry* header = archive_entry_new();
        const bool folder = entry.key().endsWith('/');
        archive_entry_set_pathname(header, entry.key().toUtf8().constData());
        archive_entry_set_filetype(header, folder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(header, folder ? 0755 : 0644);
        archive_entry_set_size(header, folder ? 0 : entry.value().size());
        archive_write_header(writer, header);
        if (!folder) {
            archive_write_data(writer, entry.value().constData(), size_t(entry.value().size()));
        }
        archive_entry_free(header);
    }
    archive_write_close(writer);
    archive_write_free(writer);
}

EngineTest::EngineTest() {
    failingDitto.fail("-x", 9, "ditto: archive is damaged\n");
    ditto = platform::dittoToolPath();
    if (!QFileInfo(ditto).isExecutable()) {
        // Until the bundle carries its own archive tool, libarchive's command line stands in.
        ditto = home.filePath("tools/ditto-bsdtar");
        writeFile(ditto, "#!/bin/sh\nexec bsdtar -x -f \"$3\" -C \"$4\"\n");
        QFile::setPermissions(ditto, QFile::permissions(ditto) | QFileDevice::ExeOwner);
    }
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

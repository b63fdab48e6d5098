#include "catalog/CatalogManifest.h"
#include "catalog/Environment.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const auto bundle = marlox::platform::Bundle::main();
    out << marlox::catalog::appDisplayName() << ": the bundle is built at " << bundle.bundlePath()
        << '\n';
    QFile manifest(
        marlox::catalog::urlForResource(QStringLiteral("manifest"), QStringLiteral("json")));
    if (manifest.open(QIODevice::ReadOnly)) {
        const auto catalog = marlox::catalog::decodeCatalogManifest(manifest.readAll());
        if (catalog) {
            out << "Built-in catalog " << catalog->catalogVersion << ": "
                << catalog->packages.size() << " packages.\n";
        } else {
            out << "The built-in catalog could not be read: " << catalog.error().description
                << '\n';
        }
    }
    out << "The application window is not part of this build yet.\n";
    return 0;
}

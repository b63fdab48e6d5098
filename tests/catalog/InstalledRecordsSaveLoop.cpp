// Saves the installed records over and over until it is killed. The crash-safety test starts it,
// kills it in the middle of a save and then reads what was left on disk.
#include "catalog/InstalledPackageStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace marlox::catalog;

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int recordCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    InstalledPackageStore store;
    for (int generation = 0;; ++generation) {
        // Every record of one generation carries the same version, so a reader can tell a whole
        // file from a mix of two.
        InstalledPackageMap records;
        for (int index = 0; index < recordCount; ++index) {
            const QString id = QString("package-%1").arg(index, 5, 10, QLatin1Char('0'));
            records.insert(id, {id,
                                QString("1.0.%1").arg(generation),
                                "2026-03-04T09:05:07Z",
                                PackageType::filter,
                                "/Applications/Marlox Studio Plugins/" + id,
                                {"/Movies/Motion Templates.localized/" + id}});
        }
        store.setInstalledByID(records);
        std::fputs("writing\n", stdout);
        std::fflush(stdout);
        store.saveToDisk();
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}

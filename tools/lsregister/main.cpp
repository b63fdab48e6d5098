// lsregister: records the applications registered with Launch Services in a file under the
// user's data folder.
//
//   lsregister [-f] [-R] [-v] <path>...   register the application bundles at the paths; with -R a
//                                         plain folder is searched for the bundles it holds
//   lsregister -u <path>...               unregister them
//   lsregister -dump                      list what is registered

#include "platform/Bundle.h"
#include "tools/support/RegistryFile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonObject>

#include <cstdio>

using namespace marlox::tools;

namespace {

constexpr const char* toolName = "lsregister";

int usage() {
    std::fputs("usage: lsregister [-f] [-R] [-v] <path>... | -u <path>... | -dump\n", stderr);
    return exitUsage;
}

bool isApplicationBundle(const QString& path) {
    return path.endsWith(QLatin1String(".app")) && QFileInfo(path).isDir();
}

// With -R a folder that is not itself an application is searched, without entering bundles.
QStringList applicationsAt(const QString& path, bool recursive) {
    if (isApplicationBundle(path) || !recursive) {
        return {path};
    }
    QStringList found;
    QStringList folders{path};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeFirst();
        const auto entries =
            QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            if (entry.isSymLink()) {
                continue;
            }
            if (isApplicationBundle(entry.filePath())) {
                found.append(entry.filePath());
            } else {
                folders.append(entry.filePath());
            }
        }
    }
    return found;
}

QJsonArray withoutPaths(const QJsonArray& entries, const QStringList& paths) {
    QJsonArray kept;
    for (const QJsonValue& entry : entries) {
        if (!paths.contains(entry.toObject().value(QLatin1String("path")).toString())) {
            kept.append(entry);
        }
    }
    return kept;
}

QJsonObject recordOf(const QString& path) {
    const auto bundle = marlox::platform::Bundle::load(path);
    const QVariant version =
        bundle ? bundle->infoValue(QStringLiteral("CFBundleShortVersionString")) : QVariant();
    return {{"path", path},
            {"identifier", bundle ? bundle->bundleIdentifier() : QString()},
            {"version", version.typeId() == QMetaType::QString ? version.toString() : QString()},
            {"registeredAt", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
}

void dump(const QJsonArray& entries) {
    for (const QJsonValue& value : entries) {
        const QJsonObject entry = value.toObject();
        for (const char* key : {"path", "identifier", "version", "registeredAt"}) {
            std::printf("%-13s%s\n", (QByteArray(key) + ':').constData(),
                        entry.value(QLatin1String(key)).toString().toUtf8().constData());
        }
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char* argv[]) {
    bool recursive = false;
    bool unregister = false;
    bool dumpOnly = false;
    QStringList paths;
    for (const QString& argument : marlox::tools::commandLineArguments(argc, argv)) {
        if (argument == QLatin1String("-R") || argument == QLatin1String("-r")) {
            recursive = true;
        } else if (argument == QLatin1String("-u")) {
            unregister = true;
        } else if (argument == QLatin1String("-dump")) {
            dumpOnly = true;
        } else if (argument == QLatin1String("-f") || argument == QLatin1String("-v")) {
            // Registration is always forced and always quiet here.
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return usage();
        } else {
            paths.append(argument);
        }
    }
    if (dumpOnly == !paths.isEmpty()) {
        return usage();
    }
    const RegistryFile registry(toolName, QStringLiteral("lsregister"),
                                QStringLiteral("applications.json"));
    const auto loaded = registry.settleAndLoad();
    if (!loaded) {
        return exitFailure;
    }
    if (dumpOnly) {
        dump(*loaded);
        return exitSuccess;
    }

    int status = exitSuccess;
    QStringList resolved;
    for (const QString& given : paths) {
        const QString path = resolvedPath(given);
        if (!QFileInfo(path).isDir()) {
            complain(toolName, given + QStringLiteral(": No such bundle"));
            status = exitFailure;
            continue;
        }
        resolved.append(unregister ? QStringList{path} : applicationsAt(path, recursive));
    }
    QJsonArray entries = withoutPaths(*loaded, resolved);
    if (!unregister) {
        for (const QString& path : resolved) {
            entries.append(recordOf(path));
        }
    }
    if (const auto failure = registry.save(entries)) {
        complain(toolName, *failure);
        return exitFailure;
    }
    return status;
}

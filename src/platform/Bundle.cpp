#include "Bundle.h"

#include "PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace marlox::platform {
namespace {

QMutex mainBundleMutex;
QString namedMainBundlePath;
bool mainBundleRead = false;

QString bundlePathOfExecutable() {
    // <bundle>/Contents/MacOS/<executable>
    QDir folder(QCoreApplication::applicationDirPath());
    if (folder.dirName() == QLatin1String("MacOS") && folder.cdUp() &&
        folder.dirName() == QLatin1String("Contents") && folder.cdUp()) {
        return folder.absolutePath();
    }
    return QCoreApplication::applicationDirPath();
}

QString absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

std::optional<QString> stringValue(const QVariantMap& dictionary, const QString& key) {
    const QVariant value = dictionary.value(key);
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

Bundle::Bundle(QString bundlePath) : m_bundlePath(std::move(bundlePath)) {
    if (auto info = readPropertyListFile(infoPlistPath());
        info && info->typeId() == QMetaType::QVariantMap) {
        m_info = info->toMap();
    }
}

std::optional<Bundle> Bundle::load(const QString& bundlePath) {
    const QFileInfo info(bundlePath);
    if (!info.isDir()) {
        return std::nullopt;
    }
    return Bundle(absolute(bundlePath));
}

const Bundle& mainBundle() {
    // Read once: callers such as the log ask for it often.
    static const Bundle bundle = [] {
        QMutexLocker lock(&mainBundleMutex);
        mainBundleRead = true;
        return Bundle(namedMainBundlePath.isEmpty() ? absolute(bundlePathOfExecutable())
                                                    : namedMainBundlePath);
    }();
    return bundle;
}

void setUpMainBundle(const QString& bundlePath) {
    const QString path = absolute(bundlePath);
    QMutexLocker lock(&mainBundleMutex);
    if (!mainBundleRead && namedMainBundlePath.isEmpty()) {
        namedMainBundlePath = path;
        return;
    }
    // Naming the same bundle again changes nothing; naming another one is a mistake.
    const QString inUse =
        namedMainBundlePath.isEmpty() ? absolute(bundlePathOfExecutable()) : namedMainBundlePath;
    if (path != inUse) {
        qFatal("The main bundle is set up once, at start: it is %s, not %s", qPrintable(inUse),
               qPrintable(path));
    }
}

QString Bundle::infoPlistPath() const {
    const QString contents = m_bundlePath + QLatin1String("/Contents");
    if (QFileInfo(contents).isDir()) {
        return contents + QLatin1String("/Info.plist");
    }
    return m_bundlePath + QLatin1String("/Info.plist");
}

QString Bundle::resourcePath() const {
    const QString contents = m_bundlePath + QLatin1String("/Contents");
    if (QFileInfo(contents).isDir()) {
        const QString resources = contents + QLatin1String("/Resources");
        return QFileInfo(resources).isDir() ? resources : QString();
    }
    return m_bundlePath;
}

QString Bundle::executableFolderPath() const {
    return m_bundlePath + QLatin1String("/Contents/MacOS");
}

QString Bundle::bundleIdentifier() const {
    return infoString(QStringLiteral("CFBundleIdentifier")).value_or(QString());
}

QString Bundle::displayVersion() const {
    const QString shortVersion =
        infoString(QStringLiteral("CFBundleShortVersionString")).value_or(QString());
    return shortVersion.isEmpty()
               ? infoString(QStringLiteral("CFBundleVersion")).value_or(QString())
               : shortVersion;
}

QString Bundle::pathForResource(const QString& name, const QString& extension,
                                const QString& subdirectory) const {
    const QString resources = resourcePath();
    if (resources.isEmpty() || name.isEmpty()) {
        return {};
    }
    QString folder = resources;
    if (!subdirectory.isEmpty()) {
        folder += QLatin1Char('/') + subdirectory;
    }
    if (!extension.isEmpty()) {
        const QString candidate = folder + QLatin1Char('/') + name + QLatin1Char('.') + extension;
        return QFileInfo::exists(candidate) ? QDir::cleanPath(candidate) : QString();
    }
    const QString exact = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact)) {
        return QDir::cleanPath(exact);
    }
    // No extension given: any extension matches, in a stable order.
    const QStringList matches = QDir(folder).entryList({name + QLatin1String(".*")},
                                                       QDir::AllEntries | QDir::Hidden, QDir::Name);
    return matches.isEmpty() ? QString()
                             : QDir::cleanPath(folder + QLatin1Char('/') + matches.first());
}

QString pathForResource(const QList<Bundle>& bundles, const QString& name, const QString& extension,
                        const QString& subdirectory) {
    for (const Bundle& bundle : bundles) {
        const QString path = bundle.pathForResource(name, extension, subdirectory);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
}

} // namespace marlox::platform

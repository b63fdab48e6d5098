#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace marlox::platform {

// The dictionary's value for the key when it is a string; nothing when absent or of another type.
std::optional<QString> stringValue(const QVariantMap& dictionary, const QString& key);

// A folder with the macOS bundle layout: Contents/Info.plist, Contents/MacOS, Contents/Resources.
// A flat bundle (no Contents folder) keeps its resources at its top level.
class Bundle {
public:
    // Nothing when the folder does not exist.
    static std::optional<Bundle> load(const QString& bundlePath);

    const QString& bundlePath() const { return m_bundlePath; }
    QString infoPlistPath() const;
    // Empty when the bundle has no resource folder.
    QString resourcePath() const;
    QString executableFolderPath() const;

    const QVariantMap& infoDictionary() const { return m_info; }
    QVariant infoValue(const QString& key) const { return m_info.value(key); }
    // Nothing when the key is absent or its value is not a string.
    std::optional<QString> infoString(const QString& key) const { return stringValue(m_info, key); }
    // The CFBundleIdentifier when it is a string, else empty.
    QString bundleIdentifier() const;
    // The version the system shows for it, as its plug-in registry lists it: the
    // CFBundleShortVersionString, else the CFBundleVersion; empty without either.
    QString displayVersion() const;

    // The resource with that name and extension (any when empty) in the subdirectory (the resource
    // folder itself when empty); empty when there is none.
    QString pathForResource(const QString& name, const QString& extension = {},
                            const QString& subdirectory = {}) const;

private:
    explicit Bundle(QString bundlePath);
    friend const Bundle& mainBundle();

    QString m_bundlePath;
    QVariantMap m_info;
};

// The first of the bundles' paths for the resource, as Bundle::pathForResource finds it; empty
// when none has it.
QString pathForResource(const QList<Bundle>& bundles, const QString& name,
                        const QString& extension = {}, const QString& subdirectory = {});

// The application's own bundle: the one the running executable lives in (its folder is
// Contents/MacOS), or the one a program that runs outside it named with setUpMainBundle(). It is
// fixed for the life of the process and read from any thread; whatever must work with another
// bundle is handed one.
const Bundle& mainBundle();
// For programs that run outside the bundle they use (tests, benchmarks): names it once, at start,
// before anything reads it. Naming another one later ends the program: nothing swaps it.
void setUpMainBundle(const QString& bundlePath);

} // namespace marlox::platform

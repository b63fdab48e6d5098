#pragma once

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

    // The bundle the running executable lives in (its folder is Contents/MacOS), unless a test
    // pointed it elsewhere with setMainBundlePath().
    static Bundle main();
    static void setMainBundlePath(const QString& bundlePath);

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

    // The resource with that name and extension (any when empty) in the subdirectory (the resource
    // folder itself when empty); empty when there is none.
    QString pathForResource(const QString& name, const QString& extension = {},
                            const QString& subdirectory = {}) const;

private:
    explicit Bundle(QString bundlePath);

    QString m_bundlePath;
    QVariantMap m_info;
};

} // namespace marlox::platform

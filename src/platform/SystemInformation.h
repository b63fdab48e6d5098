#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace marlox::platform {

// What a support request tells about the machine it was written on.
class SystemInformation {
public:
    virtual ~SystemInformation() = default;
    // The operating system's name and version as the system words it.
    virtual QString operatingSystemVersion() const = 0;
    // The information dictionary of the installed application with that bundle identifier,
    // whether or not it runs; nothing when none is installed or its bundle cannot be read.
    virtual std::optional<QVariantMap> applicationInfo(const QString& bundleIdentifier) const = 0;
    // The machine's model name; empty when the system does not tell.
    virtual QString machineModel() const = 0;
};

// The running system: on Linux the distribution's pretty name, the application bundles directly
// inside the Applications folders, and the firmware's (DMI) product name.
class LocalSystemInformation final : public SystemInformation {
public:
    explicit LocalSystemInformation(
        QStringList applicationFolders = defaultApplicationFolders(),
        QString machineModelFile = QStringLiteral("/sys/class/dmi/id/product_name"));

    QString operatingSystemVersion() const override;
    std::optional<QVariantMap> applicationInfo(const QString& bundleIdentifier) const override;
    QString machineModel() const override;

    // The system's Applications folder, then the user's.
    static QStringList defaultApplicationFolders();

private:
    QStringList m_applicationFolders;
    QString m_machineModelFile;
};

// The model name from the bytes the firmware gave: the bytes before the first NUL, read as UTF-8
// with invalid sequences replaced, trimmed.
QString decodeMachineModel(const QByteArray& bytes);

} // namespace marlox::platform

#include "UserDefaults.h"

#include <QStandardPaths>

namespace marlox::platform {

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent), m_settings(filePath, QSettings::IniFormat) {}

UserDefaults::~UserDefaults() {
    save();
}

QString UserDefaults::standardFilePath(const QString& bundleIdentifier) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + bundleIdentifier + QLatin1String(".conf");
}

bool UserDefaults::contains(const QString& key) const {
    return m_settings.contains(key);
}

QVariant UserDefaults::value(const QString& key) const {
    return m_settings.value(key);
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() != QMetaType::QByteArray) {
        return std::nullopt;
    }
    return stored.toByteArray();
}

std::optional<QString> UserDefaults::string(const QString& key) const {
    const QVariant stored = value(key);
    switch (stored.typeId()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return stored.toString();
    default:
        return std::nullopt;
    }
}

bool UserDefaults::boolean(const QString& key) const {
    const QVariant stored = value(key);
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return stored.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return stored.toDouble() != 0;
    case QMetaType::QString: {
        // The settings file keeps every scalar as text, so a stored Boolean comes back as
        // "true" or "false".
        const QString text = stored.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        bool isNumber = false;
        const double number = text.toDouble(&isNumber);
        return isNumber && number != 0;
    }
    default:
        return false;
    }
}

void UserDefaults::setValue(const QString& key, const QVariant& value) {
    m_settings.setValue(key, value);
    changed(key);
}

void UserDefaults::remove(const QString& key) {
    m_settings.remove(key);
    changed(key);
}

void UserDefaults::changed(const QString& key) {
    // Each save replaces the file and flushes it to the disk: start-up alone writes several
    // settings in a row, which one save covers.
    if (!m_saveScheduled) {
        m_saveScheduled = true;
        QMetaObject::invokeMethod(this, &UserDefaults::save, Qt::QueuedConnection);
    }
    emit valueChanged(key);
}

void UserDefaults::save() {
    m_saveScheduled = false;
    // The settings file is replaced atomically.
    m_settings.sync();
}

} // namespace marlox::platform

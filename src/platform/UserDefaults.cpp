#include "UserDefaults.h"

#include "BackgroundWork.h"

#include <QMutex>
#include <QSettings>
#include <QStandardPaths>
#include <QtConcurrent>

namespace marlox::platform {

// What the saves share with the threads that make them: the values last handed over, and which
// of them the file holds. Saves may run on several threads at once; each writes the latest
// values, one at a time, so an earlier save never overwrites a later one.
struct UserDefaults::Saving {
    QMutex writing;
    QMutex handingOver;
    QVariantMap latest;
    quint64 latestVersion = 0;
    quint64 savedVersion = 0;

    void saveLatest(const QString& filePath) {
        const QMutexLocker oneAtATime(&writing);
        QVariantMap values;
        quint64 version = 0;
        {
            const QMutexLocker handedOver(&handingOver);
            values = latest;
            version = latestVersion;
        }
        if (version <= savedVersion) {
            return;
        }
        // The settings file is replaced atomically.
        QSettings file(filePath, QSettings::IniFormat);
        file.clear();
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            file.setValue(value.key(), value.value());
        }
        file.sync();
        savedVersion = version;
    }
};

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent), m_saving(std::make_shared<Saving>()) {
    const QSettings file(filePath, QSettings::IniFormat);
    m_filePath = file.fileName();
    for (const QString& key : file.allKeys()) {
        m_values.insert(key, file.value(key));
    }
}

UserDefaults::~UserDefaults() {
    if (m_saveScheduled) {
        save();
    }
    m_lastSave.waitForFinished();
}

QString UserDefaults::standardFilePath(const QString& bundleIdentifier) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + bundleIdentifier + QLatin1String(".conf");
}

bool UserDefaults::contains(const QString& key) const {
    return m_values.contains(key);
}

QVariant UserDefaults::value(const QString& key) const {
    return m_values.value(key);
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
    m_values.insert(key, value);
    changed(key);
}

void UserDefaults::remove(const QString& key) {
    m_values.remove(key);
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
    {
        const QMutexLocker handingOver(&m_saving->handingOver);
        m_saving->latest = m_values;
        ++m_saving->latestVersion;
    }
    // Replacing the file flushes it to the disk, which the main thread must not wait for.
    m_lastSave = QtConcurrent::run(
        utilityThreadPool(), [saving = m_saving, path = m_filePath] { saving->saveLatest(path); });
}

} // namespace marlox::platform

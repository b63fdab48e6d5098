#pragma once

#include <QByteArray>
#include <QFuture>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace marlox::platform {

// The user's settings, kept in one settings file, read and written with the typed reads of the
// macOS user defaults. Every write is announced at once, so that several services can share one
// instance and see each other's changes, and reads see it at once; the file is read once, when
// the instance is made, and saved off the main thread when the event loop next turns, once for
// all the writes of that turn, and when the instance goes away. A save is done only once every
// byte reached the file; one that failed leaves the file as it was and is made again, with the
// latest values, at the next change and when the instance goes away.
class UserDefaults : public QObject {
    Q_OBJECT

public:
    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The application's own settings file in the user's configuration folder.
    static QString standardFilePath(const QString& bundleIdentifier);

    QString filePath() const { return m_filePath; }

    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;
    // Nothing when absent or not data.
    std::optional<QByteArray> data(const QString& key) const;
    // Nothing when absent or not text (numbers and Booleans read as their text).
    std::optional<QString> string(const QString& key) const;
    // False when absent or not convertible.
    bool boolean(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

signals:
    void valueChanged(const QString& key);
    // Why the settings could not be saved: said once, until a save succeeds again.
    void saveFailed(const QString& description);

private:
    struct Saving;

    void changed(const QString& key);
    void save();

    QString m_filePath;
    QVariantMap m_values;
    bool m_saveScheduled = false;
    std::shared_ptr<Saving> m_saving;
    QFuture<void> m_lastSave;
};

} // namespace marlox::platform

#include "UserDefaults.h"

#include "BackgroundWork.h"
#include "Continuation.h"
#include "base/FileSystem.h"

#include <QDataStream>
#include <QFileInfo>
#include <QMutex>
#include <QRect>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QtConcurrent>

#include <algorithm>
#include <utility>

namespace marlox::platform {

namespace {

// The settings file is written as Qt's INI format writes it, byte for byte, so that it reads as
// before, and saved through the checked whole-file save: QSettings::sync() commits a file whose
// write a full disk refused, and its lock file may take the last page first.

const char hexDigits[] = "0123456789ABCDEF";

void appendEscapedKey(const QString& key, QByteArray& text) {
    for (const QChar character : key) {
        const char16_t code = character.unicode();
        if (code == u'/') {
            text += '\\';
        } else if ((code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z') ||
                   (code >= u'0' && code <= u'9') || code == u'_' || code == u'-' || code == u'.') {
            text += char(code);
        } else if (code <= 0xFF) {
            text += '%';
            text += hexDigits[code / 16];
            text += hexDigits[code % 16];
        } else {
            text += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) {
                text += hexDigits[(code >> shift) & 0xF];
            }
        }
    }
}

bool isHexDigit(char16_t code) {
    return (code >= u'0' && code <= u'9') || (code >= u'a' && code <= u'f') ||
           (code >= u'A' && code <= u'F');
}

// Quoted where a reader would split or trim it; a character written as an escape is followed by
// none a hexadecimal escape would swallow.
void appendEscapedValue(const QString& value, QByteArray& text) {
    const qsizetype start = text.size();
    // The serialized forms keep their bytes as Latin-1 characters, escaped past ASCII.
    const bool asUtf8 = !(value.startsWith(QLatin1String("@ByteArray(")) ||
                          value.startsWith(QLatin1String("@Variant(")) ||
                          value.startsWith(QLatin1String("@DateTime(")));
    bool needsQuotes = false;
    bool escapeNextIfHexDigit = false;
    for (qsizetype index = 0; index < value.size(); ++index) {
        const char16_t code = value.at(index).unicode();
        needsQuotes = needsQuotes || code == u';' || code == u',' || code == u'=';
        if (escapeNextIfHexDigit && isHexDigit(code)) {
            text += "\\x" + QByteArray::number(code, 16);
            continue;
        }
        escapeNextIfHexDigit = false;
        static const std::pair<char16_t, const char*> namedEscapes[] = {
            {u'\a', "\\a"}, {u'\b', "\\b"}, {u'\f', "\\f"}, {u'\n', "\\n"}, {u'\r', "\\r"},
            {u'\t', "\\t"}, {u'\v', "\\v"}, {u'"', "\\\""}, {u'\\', "\\\\"}};
        const auto named =
            std::find_if(std::begin(namedEscapes), std::end(namedEscapes),
                         [code](const auto& escape) { return escape.first == code; });
        if (code == 0) {
            text += "\\0";
            escapeNextIfHexDigit = true;
        } else if (named != std::end(namedEscapes)) {
            text += named->second;
        } else if (code <= 0x1F || (code >= 0x7F && !asUtf8)) {
            text += "\\x" + QByteArray::number(code, 16);
            escapeNextIfHexDigit = true;
        } else if (code >= 0x7F) {
            const qsizetype length =
                value.at(index).isHighSurrogate() && index + 1 < value.size() ? 2 : 1;
            text += value.mid(index, length).toUtf8();
            index += length - 1;
        } else {
            text += char(code);
        }
    }
    if (needsQuotes || (start < text.size() && (text.at(start) == ' ' || text.back() == ' '))) {
        text.insert(start, '"');
        text += '"';
    }
}

QString serializedValue(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return QLatin1String("@ByteArray(") + QLatin1String(bytes.constData(), bytes.size()) +
               QLatin1Char(')');
    }
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Float:
    case QMetaType::Double: {
        const QString text = value.toString();
        if (text.contains(QChar::Null)) {
            return QLatin1String("@String(") + text + QLatin1Char(')');
        }
        return text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    }
    case QMetaType::QRect: {
        const QRect rectangle = value.toRect();
        return QStringLiteral("@Rect(%1 %2 %3 %4)")
            .arg(rectangle.x())
            .arg(rectangle.y())
            .arg(rectangle.width())
            .arg(rectangle.height());
    }
    case QMetaType::QSize:
        return QStringLiteral("@Size(%1 %2)")
            .arg(value.toSize().width())
            .arg(value.toSize().height());
    case QMetaType::QPoint:
        return QStringLiteral("@Point(%1 %2)").arg(value.toPoint().x()).arg(value.toPoint().y());
    default: {
        const bool isTime = value.metaType().id() == QMetaType::QDateTime;
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(isTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
        stream << value;
        return QLatin1String(isTime ? "@DateTime(" : "@Variant(") +
               QLatin1String(bytes.constData(), bytes.size()) + QLatin1Char(')');
    }
    }
}

void appendValue(const QVariant& value, QByteArray& text) {
    const int type = value.metaType().id();
    // A list of one item is written as that item, as Qt does.
    if (type != QMetaType::QStringList &&
        (type != QMetaType::QVariantList || value.toList().size() == 1)) {
        appendEscapedValue(serializedValue(value), text);
        return;
    }
    const QVariantList items = value.toList();
    if (items.isEmpty()) {
        text += "@Invalid()";
    }
    for (qsizetype index = 0; index < items.size(); ++index) {
        if (index != 0) {
            text += ", ";
        }
        appendEscapedValue(serializedValue(items.at(index)), text);
    }
}

// A key's part before its first "/" names its section; keys without one are "General"'s.
QByteArray settingsFileText(const QVariantMap& values) {
    QMap<QString, QVariantMap> sections;
    for (auto value = values.cbegin(); value != values.cend(); ++value) {
        const qsizetype slash = value.key().indexOf(QLatin1Char('/'));
        sections[slash < 0 ? QString() : value.key().left(slash)].insert(value.key().mid(slash + 1),
                                                                         value.value());
    }
    QByteArray text;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        if (section != sections.cbegin()) {
            text += '\n';
        }
        QByteArray name;
        appendEscapedKey(section.key(), name);
        if (name.isEmpty()) {
            name = "General";
        } else if (name.compare("general", Qt::CaseInsensitive) == 0) {
            name = "%General";
        }
        text += '[' + name + "]\n";
        for (auto value = section->cbegin(); value != section->cend(); ++value) {
            appendEscapedKey(value.key(), text);
            text += '=';
            appendValue(value.value(), text);
            text += '\n';
        }
    }
    return text;
}

} // namespace

// What the saves share with the threads that make them: the values last handed over, and which
// of them the file holds. Saves may run on several threads at once; each writes the latest
// values, one at a time, so an earlier save never overwrites a later one.
struct UserDefaults::Saving {
    QMutex writing;
    QMutex handingOver;
    QVariantMap latest;
    quint64 latestVersion = 0;
    quint64 savedVersion = 0;
    // Both kept by the save that holds `writing`.
    bool failing = false;
    bool sweptUnfinishedSaves = false;

    bool holdsTheLatest() {
        const QMutexLocker handedOver(&handingOver);
        return savedVersion == latestVersion;
    }

    // Why the latest values could not be saved, the first time in a row they could not.
    std::optional<QString> saveLatest(const QString& filePath) {
        const QMutexLocker oneAtATime(&writing);
        QVariantMap values;
        quint64 version = 0;
        {
            const QMutexLocker handedOver(&handingOver);
            values = latest;
            version = latestVersion;
        }
        if (version <= savedVersion) {
            return std::nullopt;
        }
        const QFileInfo file(filePath);
        std::optional<QString> failure;
        if (const auto folder = base::createFolder(file.path())) {
            failure = folder->description();
        } else {
            // What a save killed in an earlier run left, once, off the main thread.
            if (!std::exchange(sweptUnfinishedSaves, true)) {
                base::removeUnfinishedSaves(file.path(),
                                            QRegularExpression::escape(file.fileName()));
            }
            if (const auto save = base::saveWholeFile(filePath, settingsFileText(values))) {
                failure = save->description();
            }
        }
        if (failure) {
            return std::exchange(failing, true) ? std::nullopt : failure;
        }
        {
            const QMutexLocker handedOver(&handingOver);
            savedVersion = version;
        }
        failing = false;
        return std::nullopt;
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
    // A save that failed is made again, with the latest values, before they are gone.
    if (!m_saving->holdsTheLatest()) {
        save();
        m_lastSave.waitForFinished();
    }
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
    const QFuture<std::optional<QString>> saved =
        QtConcurrent::run(utilityThreadPool(), [saving = m_saving, path = m_filePath] {
            return saving->saveLatest(path);
        });
    m_lastSave = QFuture<void>(saved);
    continueOn(*this, saved, [this](const std::optional<QString>& failure) {
        if (failure) {
            emit saveFailed(*failure);
        }
    });
}

} // namespace marlox::platform

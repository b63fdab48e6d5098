// pluginkit: the plug-in registry. Plug-in bundles are added, removed, elected for use and
// listed; the registry lives in a file under the user's data folder.
//
//   pluginkit -a <path>...                      add (or refresh) plug-in bundles
//   pluginkit -r <path>...                      remove the registrations at those paths
//   pluginkit -e use|ignore|default -i <id> [-p <protocol>]
//   pluginkit -m [-A] [-D] [-v] [-i <id>] [-p <protocol>]
//
// -m lists one line per registration: an election mark ('+' use, '-' ignore, ' ' none), four
// spaces, identifier(version); with -v also a tab, the registration's UUID, its time and path.
// Without -A only the highest version of each identifier is listed, without -D only one copy of
// each version. -a refuses a bundle whose identifier, version or path that line could not carry
// whole and unmistaken.

#include "base/ShownText.h"
#include "base/VersionComparison.h"
#include "platform/Bundle.h"
#include "tools/support/RegistryFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>
#include <cstdio>

using namespace marlox::tools;

namespace {

constexpr const char* toolName = "pluginkit";

struct Options {
    char mode = 0;
    QString election;
    QString identifier;
    QString protocol;
    bool allVersions = false;
    bool duplicates = false;
    bool verbose = false;
    QStringList paths;
};

int usage() {
    std::fputs("usage: pluginkit -a <path>... | -r <path>... | -e use|ignore|default -i <id> [-p "
               "<protocol>] | -m [-A] [-D] [-v] [-i <id>] [-p <protocol>]\n",
               stderr);
    return exitUsage;
}

std::optional<Options> parse(const QStringList& arguments) {
    Options options;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments.at(index);
        const auto value = [&]() -> std::optional<QString> {
            if (index + 1 >= arguments.size()) {
                return std::nullopt;
            }
            return arguments.at(++index);
        };
        if (argument == QLatin1String("-a") || argument == QLatin1String("-r") ||
            argument == QLatin1String("-m") || argument == QLatin1String("-e")) {
            if (options.mode != 0) {
                return std::nullopt;
            }
            options.mode = argument.at(1).toLatin1();
            if (options.mode == 'e') {
                const auto election = value();
                if (!election) {
                    return std::nullopt;
                }
                options.election = *election;
            }
        } else if (argument == QLatin1String("-i") || argument == QLatin1String("-p")) {
            const auto text = value();
            if (!text) {
                return std::nullopt;
            }
            (argument == QLatin1String("-i") ? options.identifier : options.protocol) = *text;
        } else if (argument == QLatin1String("-A")) {
            options.allVersions = true;
        } else if (argument == QLatin1String("-D")) {
            options.duplicates = true;
        } else if (argument == QLatin1String("-v")) {
            options.verbose = true;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return std::nullopt;
        } else {
            options.paths.append(argument);
        }
    }
    if (options.mode == 0) {
        return std::nullopt;
    }
    return options;
}

QString stringValue(const QVariantMap& map, const char* key) {
    const QVariant value = map.value(QLatin1String(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

// The protocol a plug-in serves, from either form of its Info.plist.
QString protocolOf(const QVariantMap& info) {
    const QString plugInKit =
        stringValue(info.value(QStringLiteral("PlugInKit")).toMap(), "Protocol");
    if (!plugInKit.isEmpty()) {
        return plugInKit;
    }
    return stringValue(info.value(QStringLiteral("NSExtension")).toMap(),
                       "NSExtensionPointIdentifier");
}

// A registration whose bundle is gone is dropped, as the system's registry forgets plug-ins that
// were deleted.
QJsonArray withoutVanished(const QJsonArray& entries) {
    QJsonArray kept;
    for (const QJsonValue& entry : entries) {
        if (QFileInfo(entry.toObject().value(QLatin1String("path")).toString()).isDir()) {
            kept.append(entry);
        }
    }
    return kept;
}

// The character as Unicode numbers it, "U+000A".
QString codePoint(QChar character) {
    return QStringLiteral("U+") +
           QString::number(character.unicode(), 16).rightJustified(4, QLatin1Char('0')).toUpper();
}

// The first character of the text that a field of a listing line cannot hold, named: a reader
// splits the line at its tabs and reads one line at a time. Nothing when there is none.
std::optional<QString> controlCharacterIn(const QString& text) {
    for (const QChar character : text) {
        if (marlox::base::isControlCharacter(character)) {
            return QStringLiteral("the control character ") + codePoint(character);
        }
    }
    return std::nullopt;
}

// A reader takes the identifier to end at the first "(" of its line, and looks it up as one word
// of reverse-domain form, in which no "/" or ")" stands either.
std::optional<QString> unlistableIdentifierCharacter(const QString& identifier) {
    if (auto control = controlCharacterIn(identifier)) {
        return control;
    }
    for (const QChar character : identifier) {
        if (character == QLatin1Char(' ')) {
            return QStringLiteral("a space");
        }
        if (character.isSpace()) {
            return QStringLiteral("the white space ") + codePoint(character);
        }
        if (character == QLatin1Char('/') || character == QLatin1Char('(') ||
            character == QLatin1Char(')')) {
            return QStringLiteral("“") + character + QStringLiteral("”");
        }
    }
    return std::nullopt;
}

// Why a bundle cannot be registered: a listing line could not carry it whole and unmistaken.
std::optional<QString> listingRefusal(const QString& identifier, const QString& version,
                                      const QString& path) {
    if (identifier.isEmpty()) {
        return QStringLiteral("the bundle has no usable CFBundleIdentifier");
    }
    const auto cannotBeListed = [](const char* field, const QString& value,
                                   const QString& character) {
        return QStringLiteral("the bundle's %1 “%2” cannot be listed: it holds %3")
            .arg(QLatin1String(field), value, character);
    };
    if (const auto character = unlistableIdentifierCharacter(identifier)) {
        return cannotBeListed("identifier", identifier, *character);
    }
    if (const auto character = controlCharacterIn(version)) {
        return cannotBeListed("version", version, *character);
    }
    if (const auto character = controlCharacterIn(path)) {
        return cannotBeListed("path", path, *character);
    }
    return std::nullopt;
}

int add(QJsonArray& entries, const QStringList& paths) {
    int status = exitSuccess;
    for (const QString& given : paths) {
        const QString path = resolvedPath(given);
        const auto bundle = marlox::platform::Bundle::load(path);
        if (!bundle) {
            complain(toolName, given + QStringLiteral(": no such plug-in bundle"));
            status = exitFailure;
            continue;
        }
        const QString identifier = bundle->bundleIdentifier();
        const QString displayVersion = bundle->displayVersion();
        const QString version = displayVersion.isEmpty() ? QStringLiteral("0") : displayVersion;
        if (const auto refusal = listingRefusal(identifier, version, path)) {
            complain(toolName, given + QStringLiteral(": ") + *refusal);
            status = exitFailure;
            continue;
        }
        QJsonObject entry{{"identifier", identifier},
                          {"version", version},
                          {"path", path},
                          {"protocol", protocolOf(bundle->infoDictionary())},
                          {"election", QString()},
                          {"uuid", QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
                          {"registeredAt", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
        const auto existing =
            std::find_if(entries.begin(), entries.end(), [&](const QJsonValue& value) {
                return value.toObject().value(QLatin1String("path")).toString() == path;
            });
        if (existing != entries.end()) {
            // A refresh keeps the registration's identity and the user's election.
            const QJsonObject previous = existing->toObject();
            entry.insert("uuid", previous.value(QLatin1String("uuid")));
            if (previous.value(QLatin1String("identifier")) ==
                entry.value(QLatin1String("identifier"))) {
                entry.insert("election", previous.value(QLatin1String("election")));
            }
            *existing = entry;
        } else {
            entries.append(entry);
        }
    }
    return status;
}

void remove(QJsonArray& entries, const QStringList& paths) {
    QStringList removed;
    for (const QString& given : paths) {
        removed.append(resolvedPath(given));
    }
    QJsonArray kept;
    for (const QJsonValue& entry : entries) {
        if (!removed.contains(entry.toObject().value(QLatin1String("path")).toString())) {
            kept.append(entry);
        }
    }
    entries = kept;
}

bool matches(const QJsonObject& entry, const Options& options) {
    if (!options.identifier.isEmpty() &&
        entry.value(QLatin1String("identifier")).toString() != options.identifier) {
        return false;
    }
    return options.protocol.isEmpty() ||
           entry.value(QLatin1String("protocol")).toString() == options.protocol;
}

int elect(QJsonArray& entries, const Options& options) {
    static const QStringList elections = {QStringLiteral("use"), QStringLiteral("ignore"),
                                          QStringLiteral("default")};
    if (!elections.contains(options.election) || options.identifier.isEmpty()) {
        return usage();
    }
    bool found = false;
    for (auto value = entries.begin(); value != entries.end(); ++value) {
        QJsonObject entry = value->toObject();
        if (matches(entry, options)) {
            entry.insert("election", options.election == QLatin1String("default")
                                         ? QString()
                                         : options.election);
            *value = entry;
            found = true;
        }
    }
    if (!found) {
        complain(toolName, QStringLiteral("no plug-in matches ") + options.identifier);
        return exitFailure;
    }
    return exitSuccess;
}

QString line(const QJsonObject& entry, bool verbose) {
    const QString election = entry.value(QLatin1String("election")).toString();
    const QChar mark = election == QLatin1String("use")      ? QLatin1Char('+')
                       : election == QLatin1String("ignore") ? QLatin1Char('-')
                                                             : QLatin1Char(' ');
    QString text = mark + QStringLiteral("    ") +
                   entry.value(QLatin1String("identifier")).toString() + QLatin1Char('(') +
                   entry.value(QLatin1String("version")).toString() + QLatin1Char(')');
    if (verbose) {
        const QDateTime registered = QDateTime::fromString(
            entry.value(QLatin1String("registeredAt")).toString(), Qt::ISODate);
        text += QLatin1Char('\t') + entry.value(QLatin1String("uuid")).toString() +
                QLatin1Char('\t') +
                registered.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000")) +
                QLatin1Char('\t') + entry.value(QLatin1String("path")).toString();
    }
    return text;
}

void match(const QJsonArray& entries, const Options& options) {
    QList<QJsonObject> selected;
    for (const QJsonValue& value : entries) {
        if (matches(value.toObject(), options)) {
            selected.append(value.toObject());
        }
    }
    const auto field = [](const QJsonObject& entry, const char* key) {
        return entry.value(QLatin1String(key)).toString();
    };
    QList<QJsonObject> listed;
    for (const QJsonObject& entry : selected) {
        const QString identifier = field(entry, "identifier");
        const QString version = field(entry, "version");
        const bool superseded =
            std::any_of(selected.begin(), selected.end(), [&](const QJsonObject& other) {
                return field(other, "identifier") == identifier &&
                       marlox::base::compareVersions(version, field(other, "version")) < 0;
            });
        if (superseded && !options.allVersions) {
            continue;
        }
        const bool duplicate =
            std::any_of(listed.begin(), listed.end(), [&](const QJsonObject& other) {
                return field(other, "identifier") == identifier &&
                       field(other, "version") == version;
            });
        if (duplicate && !options.duplicates) {
            continue;
        }
        listed.append(entry);
    }
    std::stable_sort(listed.begin(), listed.end(), [&](const QJsonObject& a, const QJsonObject& b) {
        return field(a, "identifier") < field(b, "identifier");
    });
    for (const QJsonObject& entry : listed) {
        std::printf("%s\n", line(entry, options.verbose).toUtf8().constData());
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const auto options = parse(marlox::tools::commandLineArguments(argc, argv));
    if (!options || (options->mode == 'a' && options->paths.isEmpty()) ||
        (options->mode == 'r' && options->paths.isEmpty())) {
        return usage();
    }
    const RegistryFile registry(toolName, QStringLiteral("pluginkit"),
                                QStringLiteral("registry.json"));
    const auto loaded = registry.settleAndLoad();
    if (!loaded) {
        return exitFailure;
    }
    QJsonArray entries = withoutVanished(*loaded);
    int status = exitSuccess;
    switch (options->mode) {
    case 'a':
        status = add(entries, options->paths);
        break;
    case 'r':
        remove(entries, options->paths);
        break;
    case 'e':
        status = elect(entries, *options);
        break;
    case 'm':
        match(entries, *options);
        break;
    default:
        return usage();
    }
    if (entries == *loaded) {
        return status;
    }
    // A listing drops registrations whose bundles are gone where it can; one of a registry it
    // cannot write (a read-only folder) has listed all the same.
    if (const auto failure = registry.save(entries); failure && options->mode != 'm') {
        complain(toolName, *failure);
        return exitFailure;
    }
    return status;
}

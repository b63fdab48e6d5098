#include "CatalogManifest.h"

#include "JsonDocument.h"
#include "JsonFields.h"
#include "base/ShownText.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace marlox::catalog {
namespace {

const QString unsupportedPackageTypePrefix = QStringLiteral("Unsupported package type: ");

std::optional<PackageType> packageTypeFromLoweredText(const QString& lowered) {
    if (lowered == u"generator" || lowered == u"generators" || lowered == u"fxplug") {
        return PackageType::generator;
    }
    if (lowered == u"filter" || lowered == u"filters") {
        return PackageType::filter;
    }
    if (lowered == u"template" || lowered == u"templates") {
        return PackageType::template_;
    }
    return std::nullopt;
}

QString shownText(const QString& text, qsizetype maximumLength) {
    return base::textCutForShowing(base::withoutBidiControls(text), maximumLength);
}

std::optional<QString> shownText(const std::optional<QString>& text, qsizetype maximumLength) {
    return text ? std::optional(shownText(*text, maximumLength)) : std::nullopt;
}

void insertOptional(QJsonObject& object, QLatin1StringView key,
                    const std::optional<QString>& value) {
    if (value) {
        object.insert(key, *value);
    }
}

} // namespace

QString rawValue(PackageType type) {
    switch (type) {
    case PackageType::generator:
        return QStringLiteral("generator");
    case PackageType::filter:
        return QStringLiteral("filter");
    case PackageType::template_:
        return QStringLiteral("template");
    }
    return {};
}

std::optional<PackageType> packageTypeFromRawValue(const QString& raw) {
    for (PackageType type : allPackageTypes) {
        if (raw == rawValue(type)) {
            return type;
        }
    }
    return std::nullopt;
}

Result<PackageType, DecodingError> decodePackageTypeName(const QString& name) {
    const QString lowered = name.toLower();
    if (auto type = packageTypeFromLoweredText(lowered)) {
        return *type;
    }
    return DecodingError{unsupportedPackageTypePrefix + lowered};
}

bool hasNonBlankText(const std::optional<QString>& text) {
    return text && !text->trimmed().isEmpty();
}

bool PackageManifest::hasRemotePayload() const {
    return hasNonBlankText(downloadURL);
}

bool PackageManifest::hasMotionTemplatePayload() const {
    return hasNonBlankText(motionTemplatePayloadPath);
}

size_t qHash(const PackageManifest& package, size_t seed) {
    QtPrivate::QHashCombine combine;
    const auto feedOptional = [&](const std::optional<QString>& value) {
        seed = combine(seed, value.has_value());
        if (value) {
            seed = combine(seed, *value);
        }
    };
    seed = combine(seed, package.id);
    seed = combine(seed, package.name);
    seed = combine(seed, static_cast<int>(package.type));
    seed = combine(seed, package.category);
    feedOptional(package.summary);
    feedOptional(package.thumbnailName);
    seed = combine(seed, package.detailBullets.has_value());
    if (package.detailBullets) {
        seed = combine(seed, package.detailBullets->size());
        for (const QString& bullet : *package.detailBullets) {
            seed = combine(seed, bullet);
        }
    }
    seed = combine(seed, package.version);
    seed = combine(seed, package.minAppVersion);
    seed = combine(seed, package.bundlePayloadPath);
    feedOptional(package.motionTemplatePayloadPath);
    feedOptional(package.motionTemplateInstallSubpath);
    feedOptional(package.downloadURL);
    feedOptional(package.sha256);
    feedOptional(package.thumbnailURL);
    seed = combine(seed, package.releaseNotes);
    return seed;
}

namespace {

// Reads the package fields in their declared order; the first failing key ends the decode.
Result<PackageManifest, DecodingError> readPackageFields(JsonFields& fields) {
    PackageManifest package;
    package.id = fields.requiredString(QLatin1String("id"));
    package.name =
        shownText(fields.requiredString(QLatin1String("name")), maximumCatalogNameLength);
    if (const auto raw = fields.requiredRaw(QLatin1String("type"))) {
        auto type = decodePackageTypeName(*raw);
        if (!type) {
            return type.error();
        }
        package.type = *type;
    }
    // Kept as written: it also names the folder of the package's Motion Templates.
    package.category = fields.requiredString(QLatin1String("category"));
    package.summary =
        shownText(fields.optionalString(QLatin1String("summary")), maximumCatalogTextLength);
    package.thumbnailName = fields.optionalString(QLatin1String("thumbnailName"));
    package.detailBullets = fields.optionalStringList(QLatin1String("detailBullets"));
    if (package.detailBullets) {
        for (QString& bullet : *package.detailBullets) {
            bullet = shownText(bullet, maximumCatalogTextLength);
        }
    }
    package.version = fields.requiredString(QLatin1String("version"));
    package.minAppVersion =
        fields.optionalString(QLatin1String("minAppVersion")).value_or(QStringLiteral("1.0.0"));
    package.bundlePayloadPath =
        fields.optionalString(QLatin1String("bundlePayloadPath")).value_or(QString());
    package.motionTemplatePayloadPath =
        fields.optionalString(QLatin1String("motionTemplatePayloadPath"));
    package.motionTemplateInstallSubpath =
        fields.optionalString(QLatin1String("motionTemplateInstallSubpath"));
    package.downloadURL = fields.optionalString(QLatin1String("downloadURL"));
    package.sha256 = fields.optionalString(QLatin1String("sha256"));
    package.thumbnailURL = fields.optionalString(QLatin1String("thumbnailURL"));
    package.releaseNotes =
        shownText(fields.optionalString(QLatin1String("releaseNotes")).value_or(QString()),
                  maximumCatalogTextLength);
    if (fields.failed()) {
        return DecodingError{fields.error()};
    }
    return package;
}

const std::array<QLatin1StringView, 16> packageKeys = {
    QLatin1String("id"),
    QLatin1String("name"),
    QLatin1String("type"),
    QLatin1String("category"),
    QLatin1String("summary"),
    QLatin1String("thumbnailName"),
    QLatin1String("detailBullets"),
    QLatin1String("version"),
    QLatin1String("minAppVersion"),
    QLatin1String("bundlePayloadPath"),
    QLatin1String("motionTemplatePayloadPath"),
    QLatin1String("motionTemplateInstallSubpath"),
    QLatin1String("downloadURL"),
    QLatin1String("sha256"),
    QLatin1String("thumbnailURL"),
    QLatin1String("releaseNotes"),
};

// The package at `index` of the catalog's list, read by the catalog's rules.
Result<PackageManifest, DecodingError> readPackage(simdjson::dom::element element,
                                                   qsizetype index) {
    if (!element.is_object()) {
        return DecodingError{
            QStringLiteral("Catalog: package %1 is not a JSON object.").arg(index)};
    }
    std::array<JsonFieldValue, packageKeys.size()> values;
    readMembers(element.get_object().value_unsafe(), packageKeys, values);
    const JsonFieldValue id = values[0];
    JsonFields fields(QLatin1String("Package"), slotLookup(packageKeys, values),
                      [&id](QLatin1StringView) { return id; });
    return readPackageFields(fields);
}

} // namespace

Result<PackageManifest, DecodingError> decodePackageManifest(const QJsonObject& object) {
    JsonFields fields(object, QLatin1String("Package"));
    return readPackageFields(fields);
}

Result<CatalogManifest, DecodingError> decodeCatalogManifest(const QByteArray& json) {
    static const std::array<QLatin1StringView, 2> rootKeys = {QLatin1String("catalogVersion"),
                                                              QLatin1String("generatedAt")};
    const JsonDocument document(json);
    if (const auto& problem = document.problem()) {
        return DecodingError{QStringLiteral("The catalog is not valid JSON: %1.").arg(*problem)};
    }
    const simdjson::dom::element root = document.root();
    if (!root.is_object()) {
        return DecodingError{QStringLiteral("The catalog is not a JSON object.")};
    }
    std::array<JsonFieldValue, 2> rootValues;
    CatalogManifest manifest;
    std::optional<QString> packagesProblem =
        QStringLiteral("Catalog: key \"packages\" is missing.");
    const simdjson::dom::object members = root.get_object().value_unsafe();
    for (const simdjson::dom::key_value_pair member : members) {
        if (member.key != "packages") {
            const int slot =
                keyIndex(rootKeys, QByteArrayView(member.key.data(), member.key.size()));
            if (slot >= 0) {
                rootValues[static_cast<size_t>(slot)] = fieldValue(member.value);
            }
            continue;
        }
        // A repeated key's last value counts.
        manifest.packages.clear();
        if (!member.value.is_array()) {
            packagesProblem = member.value.is_null()
                                  ? QStringLiteral("Catalog: key \"packages\" is missing.")
                                  : QStringLiteral("Catalog: key \"packages\" is not an array.");
            continue;
        }
        packagesProblem.reset();
        const simdjson::dom::array packages = member.value.get_array().value_unsafe();
        manifest.packages.reserve(static_cast<qsizetype>(packages.size()));
        for (const simdjson::dom::element element : packages) {
            auto package = readPackage(element, manifest.packages.size());
            if (!package) {
                return package.error();
            }
            manifest.packages.append(std::move(package).value());
        }
    }
    JsonFields fields(QLatin1String("Catalog"), slotLookup(rootKeys, rootValues));
    manifest.catalogVersion =
        shownText(fields.requiredString(QLatin1String("catalogVersion")), maximumCatalogNameLength);
    manifest.generatedAt =
        shownText(fields.requiredString(QLatin1String("generatedAt")), maximumCatalogNameLength);
    if (fields.failed()) {
        return DecodingError{fields.error()};
    }
    if (packagesProblem) {
        return DecodingError{*packagesProblem};
    }
    return manifest;
}

QJsonObject encodePackageManifest(const PackageManifest& package) {
    QJsonObject object;
    object.insert(QLatin1String("id"), package.id);
    object.insert(QLatin1String("name"), package.name);
    object.insert(QLatin1String("type"), rawValue(package.type));
    object.insert(QLatin1String("category"), package.category);
    insertOptional(object, QLatin1String("summary"), package.summary);
    insertOptional(object, QLatin1String("thumbnailName"), package.thumbnailName);
    if (package.detailBullets) {
        object.insert(QLatin1String("detailBullets"),
                      QJsonArray::fromStringList(*package.detailBullets));
    }
    object.insert(QLatin1String("version"), package.version);
    object.insert(QLatin1String("minAppVersion"), package.minAppVersion);
    object.insert(QLatin1String("bundlePayloadPath"), package.bundlePayloadPath);
    insertOptional(object, QLatin1String("motionTemplatePayloadPath"),
                   package.motionTemplatePayloadPath);
    insertOptional(object, QLatin1String("motionTemplateInstallSubpath"),
                   package.motionTemplateInstallSubpath);
    insertOptional(object, QLatin1String("downloadURL"), package.downloadURL);
    insertOptional(object, QLatin1String("sha256"), package.sha256);
    insertOptional(object, QLatin1String("thumbnailURL"), package.thumbnailURL);
    object.insert(QLatin1String("releaseNotes"), package.releaseNotes);
    return object;
}

QByteArray encodeCatalogManifest(const CatalogManifest& manifest) {
    QJsonArray packages;
    for (const PackageManifest& package : manifest.packages) {
        packages.append(encodePackageManifest(package));
    }
    QJsonObject root;
    root.insert(QLatin1String("catalogVersion"), manifest.catalogVersion);
    root.insert(QLatin1String("generatedAt"), manifest.generatedAt);
    root.insert(QLatin1String("packages"), packages);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QString shownCategory(const QString& category) {
    return shownText(category, maximumCatalogNameLength);
}

std::pair<int, QString> categorySortKey(const QString& category) {
    const qsizetype position = catalogCategoryTitles.indexOf(category);
    return {position < 0 ? static_cast<int>(catalogCategoryTitles.size())
                         : static_cast<int>(position),
            category.toLower()};
}

} // namespace marlox::catalog

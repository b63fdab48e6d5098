#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <utility>

namespace marlox::catalog {

enum class PackageType { generator, filter, template_ };

inline constexpr std::array<PackageType, 3> allPackageTypes = {
    PackageType::generator, PackageType::filter, PackageType::template_};

// The canonical raw value: "generator", "filter" or "template".
QString rawValue(PackageType type);
// Exact, case-sensitive match of a canonical raw value.
std::optional<PackageType> packageTypeFromRawValue(const QString& raw);

struct DecodingError : base::DescribedError {
    using DescribedError::DescribedError;
};

// The lenient reading used wherever a package type is decoded: lower-cased, then matched against
// the canonical names, their plurals and "fxplug".
Result<PackageType, DecodingError> decodePackageTypeName(const QString& name);

struct PackageManifest {
    QString id;
    QString name;
    PackageType type = PackageType::generator;
    QString category;
    std::optional<QString> summary;
    std::optional<QString> thumbnailName;
    std::optional<QStringList> detailBullets;
    QString version;
    QString minAppVersion = QStringLiteral("1.0.0");
    QString bundlePayloadPath;
    std::optional<QString> motionTemplatePayloadPath;
    std::optional<QString> motionTemplateInstallSubpath;
    std::optional<QString> downloadURL;
    std::optional<QString> sha256;
    std::optional<QString> thumbnailURL;
    QString releaseNotes;

    bool hasRemotePayload() const;
    bool hasMotionTemplatePayload() const;

    bool operator==(const PackageManifest&) const = default;
};

size_t qHash(const PackageManifest& package, size_t seed = 0);

struct CatalogManifest {
    QString catalogVersion;
    QString generatedAt;
    QList<PackageManifest> packages;

    bool operator==(const CatalogManifest&) const = default;
};

// A name (a package's, the catalog's version and date texts) is read to at most this many
// characters, a text (summary, each detail bullet, release notes) to at most
// maximumCatalogTextLength, the rest given up for an ellipsis; both without the characters that
// embed, override or isolate a direction. They are what the screens show, and no label should
// be handed a megabyte or a name that reads as another. A category is read as written, since it
// also names a folder: the screens show it through shownCategory().
inline constexpr qsizetype maximumCatalogNameLength = 1'000;
inline constexpr qsizetype maximumCatalogTextLength = 20'000;

// Any failure anywhere fails the whole document: there is no partial catalog.
Result<CatalogManifest, DecodingError> decodeCatalogManifest(const QByteArray& json);
Result<PackageManifest, DecodingError> decodePackageManifest(const QJsonObject& object);
QByteArray encodeCatalogManifest(const CatalogManifest& manifest);
QJsonObject encodePackageManifest(const PackageManifest& package);

// True when the text is present and not empty after trimming white space and line breaks.
bool hasNonBlankText(const std::optional<QString>& text);

inline const QStringList catalogCategoryTitles = {
    QStringLiteral("Time & Counters"),      QStringLiteral("Text & Layout"),
    QStringLiteral("Color & Grade"),        QStringLiteral("Framing & Matte"),
    QStringLiteral("Compositing & Keying"),
};

// The category as the screens show it: made fit to show as a name is.
QString shownCategory(const QString& category);

// (position among the category titles, or 5 when none matches exactly; lower-cased category).
// Pairs compare by position, then by text.
std::pair<int, QString> categorySortKey(const QString& category);

} // namespace marlox::catalog

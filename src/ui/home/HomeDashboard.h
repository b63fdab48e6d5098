#pragma once

#include "base/DerivedOnce.h"
#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace marlox::ui {

// How much of the catalog's plug-ins is installed. Templates are never counted in the catalog;
// every record is counted as installed, also records the catalog no longer lists.
struct CatalogCoverage {
    qsizetype generatorCount = 0;
    qsizetype filterCount = 0;
    qsizetype installedCount = 0;

    qsizetype pluginCount() const { return generatorCount + filterCount; }
};

CatalogCoverage catalogCoverage(const QList<catalog::PackageManifest>& packages,
                                qsizetype installedCount);

// One stat tile of the Home screen, as text.
struct StatTile {
    QString title;
    QString value;
    QString subLine;
    // The ring's fraction; none shows the icon tile instead.
    std::optional<double> progress;

    bool operator==(const StatTile&) const = default;
};

StatTile pluginsTile(const CatalogCoverage& coverage);
StatTile installedTile(const CatalogCoverage& coverage);

// The arc drawn by the progress ring: 0 to 1.
double clampedProgress(double progress);
// The ring's label: the unclamped progress in percent, halves rounded away from zero.
QString percentText(double progress);

// Up to four plug-ins with meaningful release notes, newest version first; equal versions keep
// the catalog's name order.
QList<catalog::PackageManifest> whatsNewPackages(const QList<catalog::PackageManifest>& packages);

// The generator and filter packages, which the featured pack is drawn from: their places in the
// catalog, in catalog order.
struct FeaturedCandidates {
    QList<qsizetype> positions;
};

FeaturedCandidates featuredCandidates(const QList<catalog::PackageManifest>& packages);

// The candidate picked by id, else the first candidate.
std::optional<catalog::PackageManifest>
featuredPackage(const QList<catalog::PackageManifest>& packages,
                const FeaturedCandidates& candidates,
                const std::optional<QString>& featuredPackageID);

// Answers an index drawn uniformly from 0 to count - 1 (count is at least 1).
using RandomIndexSource = std::function<qsizetype(qsizetype count)>;
RandomIndexSource systemRandomIndexSource();
// The id to keep after the screen is shown: an id once picked stays; otherwise one candidate at
// random, or none when there is none.
std::optional<QString> pickFeaturedPackageID(const QList<catalog::PackageManifest>& packages,
                                             const FeaturedCandidates& candidates,
                                             const std::optional<QString>& featuredPackageID,
                                             const RandomIndexSource& randomIndex);

// What the Home screen shows of the catalog and the records that takes a pass over the catalog.
struct HomeSummary {
    CatalogCoverage coverage;
    QList<catalog::PackageManifest> whatsNew;
    FeaturedCandidates featured;
};

HomeSummary homeSummary(const QList<catalog::PackageManifest>& packages,
                        const catalog::InstalledPackageMap& installedByID);

// Kept by a window across the Home screens it builds, one per selection, so that the summary is
// worked out once per change of the catalog or the records.
using HomeSummaryCache =
    base::DerivedOnce<HomeSummary, QList<catalog::PackageManifest>, catalog::InstalledPackageMap>;
// The first pill of the featured card.
QString featuredTypeLabel(catalog::PackageType type);

// The Home screen's breakpoints, all decided by the content width.
inline constexpr double homeContentMargin = 48;

struct HomeLayout {
    int statColumns = 1;
    int cardColumns = 1;
    int whatsNewColumns = 1;
    double headlineSize = 26;
    double featuredThumbnailWidth = 0;

    bool operator==(const HomeLayout&) const = default;
};

// The detail area's width less the margin, never below 0.
double homeContentWidth(double detailWidth);
HomeLayout homeLayout(double contentWidth);

// One numbered row of the Quick Actions card and the section it opens.
struct GuideStep {
    QString step;
    QString title;
    QString detail;
    QString destination;
};

const QList<GuideStep>& homeGuideSteps();

enum class StatusValueTone { accent, primary };

struct StatusRow {
    QString title;
    QString value;
    StatusValueTone valueTone = StatusValueTone::primary;
    QString detail;

    bool operator==(const StatusRow&) const = default;
};

QList<StatusRow> systemStatusRows(const QString& loadSourceLabel,
                                  const std::optional<catalog::CatalogManifest>& manifest,
                                  const CatalogCoverage& coverage);

namespace homeText {
inline const QString headline = QStringLiteral("Create faster, manage smarter.");
inline const QString heroSubLine = QStringLiteral(
    "Install plug-ins and keep your Motion toolkit organised, all from one dashboard.");
inline const QString whatsNew = QStringLiteral("What's New");
inline const QString featured = QStringLiteral("FEATURED");
inline const QString quickActions = QStringLiteral("Quick Actions");
inline const QString systemStatus = QStringLiteral("System Status");
} // namespace homeText

} // namespace marlox::ui

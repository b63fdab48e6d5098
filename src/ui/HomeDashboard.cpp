#include "HomeDashboard.h"

#include "base/VersionComparison.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace marlox::ui {

using catalog::PackageManifest;
using catalog::PackageType;

namespace {

bool isPlugin(const PackageManifest& package) {
    return package.type != PackageType::template_;
}

} // namespace

CatalogCoverage catalogCoverage(const QList<PackageManifest>& packages, qsizetype installedCount) {
    CatalogCoverage coverage;
    coverage.installedCount = installedCount;
    for (const PackageManifest& package : packages) {
        coverage.generatorCount += package.type == PackageType::generator ? 1 : 0;
        coverage.filterCount += package.type == PackageType::filter ? 1 : 0;
    }
    return coverage;
}

StatTile pluginsTile(const CatalogCoverage& coverage) {
    return {QStringLiteral("Plugins"), QString::number(coverage.pluginCount()),
            QStringLiteral("%1 generators and %2 filters")
                .arg(coverage.generatorCount)
                .arg(coverage.filterCount),
            std::nullopt};
}

StatTile installedTile(const CatalogCoverage& coverage) {
    const qsizetype total = coverage.pluginCount();
    const QString subLine =
        coverage.installedCount == total
            ? QStringLiteral("Library is fully installed")
            : QString::number(std::max<qsizetype>(0, total - coverage.installedCount)) +
                  QStringLiteral(" still available");
    std::optional<double> progress;
    if (total >= 1) {
        progress = static_cast<double>(coverage.installedCount) / static_cast<double>(total);
    }
    return {QStringLiteral("Installed"), QString::number(coverage.installedCount), subLine,
            progress};
}

double clampedProgress(double progress) {
    return std::clamp(progress, 0.0, 1.0);
}

QString percentText(double progress) {
    return QString::number(std::lround(progress * 100)) + QLatin1Char('%');
}

QList<PackageManifest> whatsNewPackages(const QList<PackageManifest>& packages) {
    // Each version is read once, not at every comparison of the sort.
    QList<std::pair<QList<qint64>, const PackageManifest*>> kept;
    for (const PackageManifest& package : packages) {
        if (isPlugin(package) && package.releaseNotes != u"Initial release." &&
            !package.releaseNotes.isEmpty()) {
            kept.append({base::versionNumbers(package.version), &package});
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const auto& lhs, const auto& rhs) {
        return base::compareVersionNumbers(lhs.first, rhs.first) == 1;
    });
    QList<PackageManifest> newest;
    for (qsizetype index = 0; index < std::min<qsizetype>(kept.size(), 4); ++index) {
        newest.append(*kept.at(index).second);
    }
    return newest;
}

QList<PackageManifest> featuredCandidates(const QList<PackageManifest>& packages) {
    QList<PackageManifest> candidates;
    std::copy_if(packages.cbegin(), packages.cend(), std::back_inserter(candidates), isPlugin);
    return candidates;
}

std::optional<PackageManifest> featuredPackage(const QList<PackageManifest>& packages,
                                               const std::optional<QString>& featuredPackageID) {
    const auto first = std::find_if(packages.cbegin(), packages.cend(), isPlugin);
    if (first == packages.cend()) {
        return std::nullopt;
    }
    if (featuredPackageID) {
        const auto picked = std::find_if(first, packages.cend(), [&](const auto& package) {
            return isPlugin(package) && package.id == *featuredPackageID;
        });
        if (picked != packages.cend()) {
            return *picked;
        }
    }
    return *first;
}

RandomIndexSource systemRandomIndexSource() {
    return [](qsizetype count) {
        return static_cast<qsizetype>(QRandomGenerator::global()->bounded(quint64(count)));
    };
}

std::optional<QString> pickFeaturedPackageID(const QList<PackageManifest>& packages,
                                             const std::optional<QString>& featuredPackageID,
                                             const RandomIndexSource& randomIndex) {
    if (featuredPackageID) {
        return featuredPackageID;
    }
    const QList<PackageManifest> candidates = featuredCandidates(packages);
    if (candidates.isEmpty()) {
        return std::nullopt;
    }
    return candidates.at(randomIndex(candidates.size())).id;
}

QString featuredTypeLabel(PackageType type) {
    return type == PackageType::filter ? QStringLiteral("Filters") : QStringLiteral("Generators");
}

double homeContentWidth(double detailWidth) {
    return std::max(0.0, detailWidth - homeContentMargin);
}

HomeLayout homeLayout(double contentWidth) {
    // A width equal to a threshold takes the wider layout.
    HomeLayout layout;
    layout.statColumns = contentWidth < 420 ? 1 : 3;
    layout.cardColumns = contentWidth < 980 ? 1 : 2;
    layout.whatsNewColumns = contentWidth < 700 ? 1 : 2;
    layout.headlineSize = contentWidth < 620 ? 26 : contentWidth < 920 ? 30 : 34;
    layout.featuredThumbnailWidth = std::min(0.35 * contentWidth, 320.0);
    return layout;
}

const QList<GuideStep>& homeGuideSteps() {
    static const QList<GuideStep> steps = {
        {QStringLiteral("01"), QStringLiteral("Browse the catalog"),
         QStringLiteral("Open Plugins to compare the packs with their thumbnails, versions and "
                        "details."),
         QStringLiteral("plugins")},
        {QStringLiteral("02"), QStringLiteral("Install or update"),
         QStringLiteral("Use one-click install, then verify the result from Installed with "
                        "Repair, Reinstall All Plugins, and open-folder tools."),
         QStringLiteral("installed")},
        {QStringLiteral("03"), QStringLiteral("Maintain the setup"),
         QStringLiteral(
             "Use Settings for paths, logs, and maintenance if anything needs a manual check."),
         QStringLiteral("settings")},
    };
    return steps;
}

QList<StatusRow> systemStatusRows(const QString& loadSourceLabel,
                                  const std::optional<catalog::CatalogManifest>& manifest,
                                  const CatalogCoverage& coverage) {
    const bool everythingInstalled = coverage.installedCount == coverage.pluginCount();
    return {
        {QStringLiteral("Catalog Build"), loadSourceLabel, StatusValueTone::accent,
         manifest ? manifest->generatedAt : QStringLiteral("Embedded manifest")},
        {QStringLiteral("Install Coverage"),
         QStringLiteral("%1 / %2").arg(coverage.installedCount).arg(coverage.pluginCount()),
         StatusValueTone::primary,
         everythingInstalled ? QStringLiteral("Everything installed")
                             : QStringLiteral("Some packs are still available")},
    };
}

} // namespace marlox::ui

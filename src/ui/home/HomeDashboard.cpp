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
    // The four newest in one pass, where a stable sort would order the whole catalog to keep four.
    // A package goes after every kept one at least as new, so once four are kept, one no newer
    // than the last of them is passed over after a single comparison.
    constexpr qsizetype shown = 4;
    QList<const PackageManifest*> newest;
    for (const PackageManifest& package : packages) {
        if (!isPlugin(package) || package.releaseNotes == u"Initial release." ||
            package.releaseNotes.isEmpty()) {
            continue;
        }
        const auto keptIsOlder = [&](const PackageManifest* kept) {
            return base::compareVersions(package.version, kept->version) == 1;
        };
        if (newest.size() == shown && !keptIsOlder(newest.last())) {
            continue;
        }
        newest.insert(std::find_if(newest.cbegin(), newest.cend(), keptIsOlder), &package);
        if (newest.size() > shown) {
            newest.removeLast();
        }
    }
    QList<PackageManifest> listed;
    for (const PackageManifest* package : std::as_const(newest)) {
        listed.append(*package);
    }
    return listed;
}

HomeSummary homeSummary(const QList<PackageManifest>& packages,
                        const catalog::InstalledPackageMap& installedByID) {
    return {catalogCoverage(packages, installedByID.size()), whatsNewPackages(packages),
            featuredCandidates(packages)};
}

FeaturedCandidates featuredCandidates(const QList<PackageManifest>& packages) {
    FeaturedCandidates candidates;
    for (qsizetype position = 0; position < packages.size(); ++position) {
        if (isPlugin(packages.at(position))) {
            candidates.positions.append(position);
        }
    }
    return candidates;
}

std::optional<PackageManifest> featuredPackage(const QList<PackageManifest>& packages,
                                               const FeaturedCandidates& candidates,
                                               const std::optional<QString>& featuredPackageID) {
    if (candidates.positions.isEmpty()) {
        return std::nullopt;
    }
    // An id listed twice is found at its first place.
    const auto picked =
        featuredPackageID ? std::find_if(candidates.positions.cbegin(), candidates.positions.cend(),
                                         [&](qsizetype position) {
                                             return packages.at(position).id == *featuredPackageID;
                                         })
                          : candidates.positions.cend();
    return packages.at(picked != candidates.positions.cend() ? *picked
                                                             : candidates.positions.first());
}

RandomIndexSource systemRandomIndexSource() {
    return [](qsizetype count) {
        return static_cast<qsizetype>(QRandomGenerator::global()->bounded(quint64(count)));
    };
}

std::optional<QString> pickFeaturedPackageID(const QList<PackageManifest>& packages,
                                             const FeaturedCandidates& candidates,
                                             const std::optional<QString>& featuredPackageID,
                                             const RandomIndexSource& randomIndex) {
    if (featuredPackageID) {
        return featuredPackageID;
    }
    if (candidates.positions.isEmpty()) {
        return std::nullopt;
    }
    return packages.at(candidates.positions.at(randomIndex(candidates.positions.size()))).id;
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

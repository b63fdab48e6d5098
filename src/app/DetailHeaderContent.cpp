#include "app/DetailHeaderContent.h"

namespace marlox::app {

DetailHeaderContent detailHeaderContent(const DetailHeaderState& state) {
    DetailHeaderContent content;
    if (!state.installedSection) {
        if (state.packagesWithUpdatesCount > 0) {
            content.updatesShortcutTitle = updatesShortcutTitle(state.packagesWithUpdatesCount);
        }
        return content;
    }
    content.installedCount = QString::number(state.installedRecordCount);
    content.showsInstalledActions = true;
    content.reinstallAllEnabled = state.reinstallCandidatesCount > 0 && !state.anyPackageActive &&
                                  !state.bulkInstallProgress.has_value();
    if (state.bulkInstallProgress) {
        content.progress =
            ReinstallProgressLine{reinstallProgressCounter(*state.bulkInstallProgress),
                                  state.bulkInstallProgress->packageName};
    }
    return content;
}

QString updatesShortcutTitle(qsizetype count) {
    return QString::number(count) + QStringLiteral(" updates available");
}

QString reinstallProgressCounter(const install::BulkInstallProgress& progress) {
    return QStringLiteral("Reinstalling %1/%2").arg(progress.current).arg(progress.total);
}

} // namespace marlox::app

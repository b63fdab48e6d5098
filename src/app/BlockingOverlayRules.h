#pragma once

#include "catalog/CatalogManifest.h"
#include "install/FolderAccessState.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the two cards that block the main window show, from the coordinator's published fields
// and the two folder services' access states.
namespace marlox::app {

namespace overlayText {
inline const QString hostApplicationTitle = QStringLiteral("Close Host Apps");
inline const QString hostApplicationRowHint =
    QStringLiteral("Please quit this app, then try again.");
inline const QString ok = QStringLiteral("OK");
inline const QString folderAccessTitle = QStringLiteral("Allow Folder Access");
inline const QString pendingInstallPrefix = QStringLiteral("Pending install: ");
inline const QString installFolderTitle = QStringLiteral("Install Folder");
inline const QString installFolderSubtitle =
    QStringLiteral("Keeps plugin installs inside Applications automatically.");
inline const QString motionTemplatesTitle = QStringLiteral("Motion Templates");
inline const QString motionTemplatesSubtitle =
    QStringLiteral("Keeps Motion and Final Cut Pro templates synced with installed plugins.");
inline const QString granted = QStringLiteral("Granted");
inline const QString allowAccess = QStringLiteral("Allow Access");
inline const QString notNow = QStringLiteral("Not Now");
} // namespace overlayText

// "<name> cannot install, update, or remove plugins while these apps are open."
QString hostApplicationExplanation(const QString& appDisplayName);
// "<name> needs one-time access before the first install. After both permissions ..."
QString folderAccessExplanation(const QString& appDisplayName);

// The bundle identifier whose icon a host row shows: the first of the host table's entry of that
// display name; none for a name the table lacks, and the row shows the generic symbol.
std::optional<QString> hostIconBundleIdentifier(const QString& hostName);

enum class TargetFolder { installFolder, motionTemplates };

struct FolderAccessRow {
    TargetFolder folder;
    QString title;
    QString subtitle;
    bool granted = false;

    bool operator==(const FolderAccessRow&) const = default;
};

// The install folder always; the Motion Templates folder only while the parked package needs it.
QList<FolderAccessRow> folderAccessRows(install::FolderAccessState installFolder,
                                        install::FolderAccessState motionTemplates,
                                        bool needsTemplatesAccess);

// "Pending install: <name>" while a package is parked.
std::optional<QString> pendingInstallLine(const std::optional<catalog::PackageManifest>& package);

// Where the error of a failed "Allow Access" shows. Without host names the coordinator's message
// raises the "Operation Failed" alert over the card. With host names that message belongs to the
// host-application card, which never shows its text, so the error would be lost: the
// folder-access card shows it itself.
enum class FolderAccessErrorPlace { operationAlert, folderAccessCard };
FolderAccessErrorPlace folderAccessErrorPlace(const QStringList& blockingHostNames);

} // namespace marlox::app

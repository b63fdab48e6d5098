#pragma once

#include "app/BlockingOverlay.h"
#include "app/BlockingOverlayRules.h"

#include <QString>

#include <optional>

class QLabel;

namespace marlox::install {
class InstallationCoordinator;
class InstallTargetAccessService;
class MotionTemplatesAccessService;
} // namespace marlox::install

namespace marlox::app {

class FolderAccessRowView;

// "Allow Folder Access": presented while the coordinator holds an install parked for folder
// access. One row per folder the install needs, each "Granted" or with "Allow Access", which
// prepares the folder and asks the coordinator to resume; the install goes on by itself once
// every folder it needs is granted, and the card goes with it. "Not Now" drops the parked
// install. Each time the card appears it asks the coordinator to look at the folders again.
class FolderAccessOverlay final : public BlockingOverlay {
    Q_OBJECT

public:
    // Above the host-application card when both show.
    static constexpr int level = 2;
    static constexpr int cardWidth = 500;

    FolderAccessOverlay(install::InstallationCoordinator& coordinator,
                        install::InstallTargetAccessService& installTargetAccessService,
                        install::MotionTemplatesAccessService& motionTemplatesAccessService,
                        QWidget* parent);

    // The error of the last "Allow Access" shown in the card itself, when it shows one.
    const std::optional<QString>& cardErrorMessage() const { return m_cardErrorMessage; }

private:
    void refresh();
    void refreshAfterAppearing();
    void allowAccess(TargetFolder folder);
    std::optional<QString> prepareFolder(TargetFolder folder);

    install::InstallationCoordinator& m_coordinator;
    install::InstallTargetAccessService& m_installTargetAccessService;
    install::MotionTemplatesAccessService& m_motionTemplatesAccessService;
    QLabel* m_pendingInstall = nullptr;
    FolderAccessRowView* m_installFolderRow = nullptr;
    FolderAccessRowView* m_motionTemplatesRow = nullptr;
    QLabel* m_cardError = nullptr;
    std::optional<QString> m_cardErrorMessage;
    // The package the card was last shown for; another one clears the card's error.
    std::optional<QString> m_shownPackageID;
};

} // namespace marlox::app

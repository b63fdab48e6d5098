#pragma once

#include "catalog/Environment.h"
#include "install/InstallationCoordinator.h"
#include "platform/ApplicationIcons.h"
#include "platform/Bundle.h"
#include "platform/Clipboard.h"
#include "platform/FileChooser.h"
#include "platform/HttpClient.h"
#include "platform/LoginItem.h"
#include "platform/MailComposer.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemInformation.h"
#include "platform/Updater.h"
#include "platform/Workspace.h"

#include <QString>

#include <memory>

namespace marlox::app {

// What the application uses of the machine. system() makes the real pieces; a test hands in its
// own (a scratch settings file, a recording workspace, a process list of its own children, an
// updater and a mail composer that record).
struct AppPlatform {
    // The application's own bundle, and the distribution's configuration read once from its
    // information property list.
    platform::Bundle mainBundle;
    catalog::DistributionConfiguration configuration;
    QString userDefaultsFilePath;
    std::unique_ptr<platform::LoginItem> loginItem;
    std::unique_ptr<platform::Workspace> workspace;
    std::shared_ptr<platform::HttpClient> httpClient;
    std::shared_ptr<platform::ProcessRunner> processRunner;
    // The archive tool of the remote-artifact services.
    QString dittoPath;
    install::InstallationCoordinatorDependencies coordinatorDependencies;
    // Makes the updater that takes a user's check for a newer application.
    platform::UpdaterFactory updaterFactory;
    // What a support request reaches besides the workspace.
    std::unique_ptr<platform::MailComposer> mailComposer;
    std::unique_ptr<platform::Clipboard> clipboard;
    std::unique_ptr<platform::FileChooser> fileChooser;
    std::unique_ptr<platform::SystemInformation> systemInformation;
    // The icons of the host applications that block an operation.
    std::unique_ptr<platform::ApplicationIcons> applicationIcons;

    static AppPlatform system();
};

// The bundle's identifier, or the application's fixed one when the bundle has none.
QString applicationBundleIdentifier(const platform::Bundle& mainBundle);

} // namespace marlox::app

#pragma once

// The real services a screen is built with, in a scratch home, and the application-update
// service.
#include "AppUpdateTestSupport.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "install/InstallTargetAccessService.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "screens/AppUpdateService.h"
#include "support/CatalogFixtures.h"
#include "support/RecordingWorkspace.h"
#include "support/ScreenFixture.h"
#include "support/ScreenServices.h"

#include <memory>

namespace marlox::testing {

// The catalog loads when a test asks for it.
class ScreenViewTest : public ScreenTest {
protected:
    void SetUp() override { WidgetTest::SetUp(); }

    platform::UserDefaults& defaults = services.defaults;
    NoLoginItem& loginItem = services.loginItem;
    catalog::AppSettingsStore& settings = services.settings;
    RecordingWorkspace& workspace = services.workspace;
    catalog::InstalledPackageStore& store = services.store;
    install::InstallTargetAccessService& installAccess = services.installAccess;
    install::MotionTemplatesAccessService& templatesAccess = services.templatesAccess;
    std::unique_ptr<install::InstallationCoordinator>& coordinator = services.coordinator;
    catalog::CatalogService& catalog = *services.catalogService;
    std::shared_ptr<platform::HttpClient> http = std::make_shared<platform::NetworkHttpClient>();
    UpdaterRecord updaters;
    screens::AppUpdateService appUpdates{catalog::DistributionConfiguration{},
                                         platform::mainBundle(), defaults, http,
                                         updaters.factory()};
};

} // namespace marlox::testing

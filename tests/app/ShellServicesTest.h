#pragma once

#include "AppTestSupport.h"
#include "catalog/InstallLocations.h"
#include "support/ScreenServices.h"
#include "support/WidgetTesting.h"

namespace marlox::testing {

// The real services of the main window in a scratch home, with the application icons the test
// gives.
class ShellServicesTest : public WidgetTest {
protected:
    // The services may remake it (ScreenServices::useInstallTools).
    install::InstallationCoordinator& coordinator() { return *services.coordinator; }
    bool waitUntilIdle() { return services.settle(); }
    bool isRecorded(const QString& packageID) const {
        return services.store.record(packageID).has_value();
    }

    QString installFolder = catalog::installFolderPath();
    QString templatesFolder = install::motionTemplatesFolderPath();
    ScreenServices services{home};
    install::InstallTargetAccessService& installAccess = services.installAccess;
    install::MotionTemplatesAccessService& templatesAccess = services.templatesAccess;
    FakeApplicationIcons applicationIcons;
};

} // namespace marlox::testing

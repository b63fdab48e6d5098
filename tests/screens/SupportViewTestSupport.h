#pragma once

#include "SupportTestSupport.h"
#include "catalog/OperationsLog.h"
#include "screens/SupportView.h"
#include "support/ScreenFixture.h"

#include <memory>

namespace marlox::testing {

// The real services in a scratch home with the built bundle's catalog loaded; the platform pieces
// record what the screen asks of them.
class SupportViewTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        // The load wrote the log's first lines; each test decides whether there is a log.
        catalog::clearOperationsLog();
        catalog::flushOperationsLog();
    }

    screens::SupportView& makeView() {
        view = std::make_unique<screens::SupportView>(
            *services.catalogService, services.store, platform::mainBundle(),
            screens::SupportPlatform{workspace(), composer, clipboard, fileChooser, system});
        return *view;
    }

    RecordingWorkspace& workspace() { return services.workspace; }
    void install(const QList<catalog::InstalledPackage>& records) {
        services.store.setInstalledByID(recordsByID(records));
    }

    RecordingMailComposer composer;
    RecordingClipboard clipboard;
    PreparedFileChooser fileChooser;
    FixedSystemInformation system;
    std::unique_ptr<screens::SupportView> view;
};

} // namespace marlox::testing

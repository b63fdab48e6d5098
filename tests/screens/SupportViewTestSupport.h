#pragma once

#include "SupportTestSupport.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/OperationsLog.h"
#include "catalog/RemoteArtifactService.h"
#include "platform/FileChooser.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "screens/SupportView.h"
#include "support/AwaitFuture.h"
#include "support/WidgetTesting.h"

#include <memory>

namespace marlox::testing {

// A file chooser that answers each request with the next prepared choice, at once; a request
// without one counts as cancelled.
struct PreparedFileChooser final : platform::FileChooser {
    void chooseFiles(QWidget*, const platform::FileChoice& choice,
                     ChosenHandler onChosen) override {
        requests.append(choice);
        if (!choices.isEmpty()) {
            onChosen(choices.takeFirst());
        }
    }

    QList<QStringList> choices;
    QList<platform::FileChoice> requests;
};

// The real catalog service, loaded from the built bundle's catalog, and the real records store,
// in a scratch home; the platform pieces record what the screen asks of them.
class SupportViewTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        auto http = std::make_shared<platform::NetworkHttpClient>();
        catalogService = std::make_unique<catalog::CatalogService>(
            catalog::DistributionConfiguration(), http,
            std::make_unique<catalog::RemoteArtifactService>(
                http, std::make_shared<platform::SystemProcessRunner>(), "/nonexistent/ditto"));
        ASSERT_TRUE(awaitFuture(catalogService->reload()));
        catalog::flushOperationsLog();
        // The reload wrote the first lines of the log; the tests decide whether there is one.
        catalog::clearOperationsLog();
        catalog::flushOperationsLog();
        installedStore = std::make_unique<catalog::InstalledPackageStore>();
    }

    screens::SupportView& makeView() {
        view = std::make_unique<screens::SupportView>(
            *catalogService, *installedStore,
            screens::SupportPlatform{workspace, composer, clipboard, fileChooser, system});
        return *view;
    }

    void install(const QList<catalog::InstalledPackage>& records) {
        installedStore->setInstalledByID(installedMap(records));
    }

    template <typename Widget = QWidget> Widget* find(const QString& objectName) const {
        return qobject_cast<Widget*>(widgetNamed(*view, objectName));
    }

    RecordingWorkspace workspace;
    RecordingMailComposer composer;
    RecordingClipboard clipboard;
    PreparedFileChooser fileChooser;
    FixedSystemInformation system;
    std::unique_ptr<catalog::CatalogService> catalogService;
    std::unique_ptr<catalog::InstalledPackageStore> installedStore;
    std::unique_ptr<screens::SupportView> view;
};

} // namespace marlox::testing

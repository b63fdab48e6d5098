#pragma once

#include "SupportTestSupport.h"
#include "catalog/OperationsLog.h"
#include "platform/FileChooser.h"
#include "screens/SupportView.h"
#include "support/ScreenServices.h"
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

// The real services in a scratch home with the built bundle's catalog loaded; the platform pieces
// record what the screen asks of them.
class SupportViewTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        services = std::make_unique<ScreenServices>(home);
        ASSERT_TRUE(services->loadBuiltInCatalog());
        // The load wrote the log's first lines; each test decides whether there is a log.
        catalog::clearOperationsLog();
        catalog::flushOperationsLog();
    }
    void TearDown() override {
        view.reset();
        services.reset();
    }

    screens::SupportView& makeView() {
        view = std::make_unique<screens::SupportView>(
            *services->catalogService, services->store,
            screens::SupportPlatform{workspace(), composer, clipboard, fileChooser, system});
        return *view;
    }

    RecordingWorkspace& workspace() const { return services->workspace; }
    void install(const QList<catalog::InstalledPackage>& records) {
        services->store.setInstalledByID(recordsByID(records));
    }

    template <typename Widget = QWidget> Widget* find(const QString& objectName) const {
        return qobject_cast<Widget*>(widgetNamed(*view, objectName));
    }

    RecordingMailComposer composer;
    RecordingClipboard clipboard;
    PreparedFileChooser fileChooser;
    FixedSystemInformation system;
    std::unique_ptr<ScreenServices> services;
    std::unique_ptr<screens::SupportView> view;
};

} // namespace marlox::testing

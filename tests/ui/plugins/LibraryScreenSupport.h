#pragma once

#include "LibraryTestSupport.h"
#include "support/ScreenFixture.h"
#include "ui/plugins/LibraryView.h"
#include "ui/plugins/PackageCardGrid.h"
#include "ui/plugins/PackageCards.h"

#include <memory>

namespace marlox::testing {

// The Plugins screen over the real services with the built-in catalog.
class LibraryScreenTest : public ScreenTest {
protected:
    static constexpr QSize screenSize{1100, 700};

    void TearDown() override {
        view.reset();
        thumbnails.waitForIdle();
    }

    ui::LibraryView& makeView(catalog::AppSettingsStore* settings = nullptr) {
        view = std::make_unique<ui::LibraryView>(settings ? *settings : services.settings,
                                                 *services.catalogService, services.store,
                                                 *services.coordinator, thumbnails);
        return *view;
    }
    // The view shown at the size (the screen's unless given), its thumbnails loaded.
    ui::LibraryView& shownView(const QSize& size = screenSize) {
        ui::LibraryView& shown = view ? *view : makeView();
        grab(shown, size);
        EXPECT_TRUE(thumbnailsLoaded(shown));
        settle();
        return shown;
    }
    ui::PackageCard* card(const QString& packageID) const {
        for (ui::PackageCard* shown : view->cardGrid()->shownCards()) {
            if (shown->packageID() == packageID) {
                return shown;
            }
        }
        return nullptr;
    }
    QStringList shownIDs() const { return idsOf(view->cardGrid()->packages()); }

    std::unique_ptr<ui::LibraryView> view;
};

} // namespace marlox::testing

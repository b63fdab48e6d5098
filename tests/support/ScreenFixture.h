#pragma once

#include "catalog/Environment.h"
#include "platform/HttpClient.h"
#include "support/AwaitFuture.h"
#include "support/ScreenServices.h"
#include "support/WidgetTesting.h"
#include "ui/kit/CachedThumbnailView.h"
#include "ui/kit/ThumbnailCache.h"

#include <QWidget>

#include <memory>

namespace marlox::testing {

// The real services on the built-in catalog and a thumbnail cache, for a screen under test.
class ScreenTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        ASSERT_TRUE(services.loadBuiltInCatalog());
    }
    // Waits until every thumbnail on the screen shows its picture, so that a grab is complete.
    static bool thumbnailsLoaded(QWidget& screen) {
        return waitUntil([&] {
            for (auto* view : screen.findChildren<ui::CachedThumbnailView*>()) {
                if (view->isVisible() && view->image().isNull()) {
                    return false;
                }
            }
            return true;
        });
    }

    void loadCatalog() { ASSERT_TRUE(services.loadBuiltInCatalog()); }

    ScreenServices services{home};
    ui::ThumbnailCache thumbnails{std::make_shared<platform::NetworkHttpClient>(),
                                  catalog::thumbnailCacheDirectory()};
};

} // namespace marlox::testing

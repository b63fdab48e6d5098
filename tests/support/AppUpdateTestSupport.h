#pragma once

// What the update tests share: feeds, a main bundle of a chosen build, a recording updater and a
// service reading a loopback server's feed.
#include "platform/UserDefaults.h"
#include "screens/appupdate/AppUpdateService.h"
#include "screens/appupdate/UpdateCheck.h"
#include "support/AwaitFuture.h"
#include "support/CatalogFixtures.h"
#include "support/FileSupport.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinters.h"
#include "support/UpdateFixtures.h"

#include <ostream>

namespace marlox::screens {
inline void PrintTo(const AppUpdateNotice& notice, std::ostream* out) {
    *out << "build " << notice.build.toStdString() << " version " << notice.version.toStdString();
}
inline void PrintTo(const UpdateCheckOutcome& outcome, std::ostream* out) {
    *out << outcome.headline.toStdString() << " / " << outcome.detail.toStdString() << " / "
         << outcome.downloadPage.value_or(QUrl()).toString().toStdString();
}
} // namespace marlox::screens

namespace marlox::testing {

class AppUpdateTest : public ScratchHomeTest {
protected:
    void SetUp() override { useRunningBuild("100"); }

    // The running application's bundle for what is made next: a scratch one whose Info.plist
    // holds `info`.
    void useMainBundle(const QVariantMap& info) {
        runningBundle = scratchBundle(home, info, QString("Bundle%1.app").arg(++m_bundles));
    }
    void useRunningBuild(const QString& build) { useMainBundle({{"CFBundleVersion", build}}); }

    // A service reading the feed at the URL, or without a feed; its updaters are recorded
    // unless a factory is given.
    std::unique_ptr<screens::AppUpdateService> makeService(std::optional<QUrl> feedURL,
                                                           platform::UpdaterFactory factory = {}) {
        catalog::DistributionConfiguration configuration;
        configuration.appcastFeedURL = std::move(feedURL);
        return std::make_unique<screens::AppUpdateService>(
            configuration, *runningBundle, defaults,
            std::make_shared<platform::NetworkHttpClient>(),
            factory ? std::move(factory) : updaters.factory());
    }
    // A service reading the feed the server answers with.
    std::unique_ptr<screens::AppUpdateService> serving(const QByteArray& feed, int status = 200) {
        server.setAnswer("/appcast.xml", HttpAnswer{status, feed, {}, {}});
        return makeService(server.url("/appcast.xml"));
    }
    static void refresh(screens::AppUpdateService& service, bool silent) {
        ASSERT_TRUE(awaitFuture(service.refreshAvailableUpdate(silent), std::chrono::seconds(60)));
    }

    LoopbackHttpServer server;
    platform::UserDefaults defaults{home.filePath("defaults.conf")};
    UpdaterRecord updaters;
    std::optional<platform::Bundle> runningBundle;

private:
    int m_bundles = 0;
};

} // namespace marlox::testing

#pragma once

// What the update tests share: feeds, a main bundle of a chosen build, a recording updater and a
// service reading a loopback server's feed.
#include "platform/PropertyList.h"
#include "platform/Updater.h"
#include "platform/UserDefaults.h"
#include "screens/AppUpdateService.h"
#include "screens/UpdateCheck.h"
#include "support/AwaitFuture.h"
#include "support/FileSupport.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinters.h"

#include <QDir>

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

// An appcast feed holding the given items in an RSS channel.
inline QByteArray appcast(const QByteArray& items) {
    return R"(<?xml version="1.0" encoding="utf-8"?>)"
           R"(<rss version="2.0" xmlns:sparkle="urn:marlox:appcast"><channel>)"
           "<title>Marlox Studio</title>\n" +
           items + "</channel></rss>\n";
}

// One item; an empty version or link is left out.
inline QByteArray appcastItem(const QByteArray& build, const QByteArray& version = {},
                              const QByteArray& link = {}) {
    QByteArray item = "<item><title>Marlox Studio</title>";
    item += "<sparkle:version>" + build + "</sparkle:version>";
    if (!version.isEmpty()) {
        item += "<sparkle:shortVersionString>" + version + "</sparkle:shortVersionString>";
    }
    if (!link.isEmpty()) {
        item += "<link>" + link + "</link>";
    }
    return item + "<enclosure url=\"https://example.com/MarloxStudio.zip\" length=\"1\"/></item>\n";
}

// Counts the updaters made and the checks handed to them.
struct UpdaterRecord {
    int made = 0;
    int checks = 0;
    platform::UpdaterDelegate* delegate = nullptr;

    platform::UpdaterFactory factory() {
        struct RecordingUpdater final : platform::Updater {
            explicit RecordingUpdater(UpdaterRecord& record) : record(record) {}
            void checkForUpdates() override { ++record.checks; }
            UpdaterRecord& record;
        };
        return [this](platform::UpdaterDelegate& madeFor) {
            ++made;
            delegate = &madeFor;
            return std::make_unique<RecordingUpdater>(*this);
        };
    }
};

class AppUpdateTest : public ScratchHomeTest {
protected:
    void SetUp() override { useRunningBuild("100"); }

    // Points the main bundle at a scratch one whose Info.plist holds `info`.
    void useMainBundle(const QVariantMap& info) {
        const QString path = home.filePath(QString("Bundle%1.app").arg(++m_bundles));
        writeFile(path + "/Contents/Info.plist", platform::binaryPropertyList(info));
        QDir().mkpath(path + "/Contents/Resources");
        platform::Bundle::setMainBundlePath(path);
    }
    void useRunningBuild(const QString& build) { useMainBundle({{"CFBundleVersion", build}}); }

    // A service reading the feed at the URL, or without a feed; its updaters are recorded
    // unless a factory is given.
    std::unique_ptr<screens::AppUpdateService> makeService(std::optional<QUrl> feedURL,
                                                           platform::UpdaterFactory factory = {}) {
        catalog::DistributionConfiguration configuration;
        configuration.appcastFeedURL = std::move(feedURL);
        return std::make_unique<screens::AppUpdateService>(
            configuration, defaults, std::make_shared<platform::NetworkHttpClient>(),
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

private:
    int m_bundles = 0;
};

} // namespace marlox::testing

#pragma once

#include "platform/Updater.h"

#include <QByteArray>

#include <memory>

// Appcast feeds and a recording updater, for the tests of the update service and of the
// application that makes it.
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

} // namespace marlox::testing

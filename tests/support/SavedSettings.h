#pragma once

#include "platform/BackgroundWork.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QString>

#include <memory>

namespace marlox::testing {

// The settings file as the saves asked for so far leave it: they are made when the event loop
// turns, on a utility thread.
inline std::unique_ptr<platform::UserDefaults> savedSettings(const QString& filePath) {
    QCoreApplication::processEvents();
    platform::utilityThreadPool()->waitForDone();
    return std::make_unique<platform::UserDefaults>(filePath);
}

} // namespace marlox::testing

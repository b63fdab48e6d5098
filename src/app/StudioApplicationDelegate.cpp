#include "StudioApplicationDelegate.h"

#include "catalog/AppSettingsStore.h"

namespace marlox::app {

bool StudioApplicationDelegate::applicationShouldTerminateAfterLastWindowClosed() const {
    return m_settingsStore == nullptr || m_settingsStore->quitAppOnWindowClose();
}

} // namespace marlox::app

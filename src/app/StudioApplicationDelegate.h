#pragma once

namespace marlox::catalog {
class AppSettingsStore;
}

namespace marlox::app {

// Answers whether the application ends when its last window has closed.
class StudioApplicationDelegate {
public:
    // The application hands it the settings store as the last step of its start.
    void setSettingsStore(catalog::AppSettingsStore* settingsStore) {
        m_settingsStore = settingsStore;
    }

    // The "Quit App On Close" setting; true while no store is attached.
    bool applicationShouldTerminateAfterLastWindowClosed() const;

private:
    catalog::AppSettingsStore* m_settingsStore = nullptr;
};

} // namespace marlox::app

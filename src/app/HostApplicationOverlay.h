#pragma once

#include "app/BlockingOverlay.h"

#include <QIcon>
#include <QStringList>

class QVBoxLayout;

namespace marlox::install {
class InstallationCoordinator;
}

namespace marlox::platform {
class ApplicationIcons;
}

namespace marlox::app {

// "Close Host Apps": presented while the coordinator holds an error together with the names of
// the host applications that refused it; one row per host with its icon, and "OK", which
// dismisses the error and the names. The error's text itself is not shown.
class HostApplicationOverlay final : public BlockingOverlay {
    Q_OBJECT

public:
    static constexpr int level = 1;
    static constexpr int cardWidth = 440;
    static constexpr int iconSide = 36;

    HostApplicationOverlay(install::InstallationCoordinator& coordinator,
                           const platform::ApplicationIcons& applicationIcons, QWidget* parent);

    // The host names of the rows shown, in order.
    const QStringList& shownHostNames() const { return m_shownHostNames; }

private:
    void refresh();
    void showRows(const QStringList& hostNames);
    QWidget* makeRow(const QString& hostName);
    QIcon hostIcon(const QString& hostName) const;

    install::InstallationCoordinator& m_coordinator;
    const platform::ApplicationIcons& m_applicationIcons;
    QVBoxLayout* m_rows = nullptr;
    QStringList m_shownHostNames;
};

} // namespace marlox::app

#pragma once

#include "app/DetailHeaderContent.h"

#include <QWidget>

class QLabel;

namespace marlox::ui {
class ActivitySpinner;
class AppButton;
class AppSwitch;
} // namespace marlox::ui

namespace marlox::app {

class OpacityFade;

// The trailing end of the detail header's row: in Installed the "Show All Details" switch and
// "Reinstall All Plugins"; elsewhere the button that leads to the pending updates. It only shows
// what it is given and says what the user did.
class DetailHeaderActions final : public QWidget {
    Q_OBJECT

public:
    explicit DetailHeaderActions(QWidget* parent = nullptr);

    void showContent(const DetailHeaderContent& content, bool showAllDetails);

signals:
    void showAllDetailsToggled(bool on);
    void reinstallAllRequested();
    void updatesShortcutClicked();

private:
    QWidget* m_installedActions = nullptr;
    ui::AppSwitch* m_showAllDetails = nullptr;
    ui::AppButton* m_reinstallAll = nullptr;
    ui::AppButton* m_updatesShortcut = nullptr;
};

// The row under the header while a bulk reinstall runs: a spinner, "Reinstalling N/M" and the
// name of the package being installed, at the trailing edge. It fades in and out.
class ReinstallProgressRow final : public QWidget {
    Q_OBJECT

public:
    explicit ReinstallProgressRow(QWidget* parent = nullptr);

    void showProgress(const std::optional<ReinstallProgressLine>& progress);
    bool isFading() const;
    ui::ActivitySpinner* spinner() const { return m_spinner; }

private:
    OpacityFade* m_fade = nullptr;
    ui::ActivitySpinner* m_spinner = nullptr;
    QLabel* m_counter = nullptr;
    QLabel* m_packageName = nullptr;
};

} // namespace marlox::app

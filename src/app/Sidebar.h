#pragma once

#include "app/AppSection.h"
#include "app/SidebarModel.h"
#include "screens/appupdate/AppcastReader.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <optional>
#include <span>

class QLabel;
class QVBoxLayout;

namespace marlox::platform {
class Bundle;
}

namespace marlox::ui {
class AppCapsuleLabel;
class StudioIcon;
} // namespace marlox::ui

namespace marlox::app {

// What the sidebar shows, gathered by the window from its own state and its services.
struct SidebarState {
    AppSection selected = AppSection::home;
    std::optional<AppSection> hovered;
    bool isCollapsed = false;
    qsizetype updateCount = 0;
    bool showsAvailableUpdate = false;
    std::optional<screens::AppUpdateNotice> availableUpdate;
};

// One destination: a button drawn by hand with the section's glyph and title, its fill and its
// mark. Its whole rectangle takes clicks; entering and leaving it are reported for hover.
class SidebarRow final : public QAbstractButton {
    Q_OBJECT

public:
    explicit SidebarRow(AppSection section, QWidget* parent = nullptr);

    AppSection section() const { return m_section; }
    const SidebarRowColors& colors() const { return m_colors; }
    const SidebarMark& mark() const { return m_mark; }
    // The mark's frame in the row; empty without a mark.
    QRect markGeometry() const;

    void showState(bool isCollapsed, const SidebarRowColors& colors, const SidebarMark& mark);

    QSize sizeHint() const override;

signals:
    void hoverEntered(AppSection section);
    void hoverExited(AppSection section);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRectF tileRect() const;
    QPointF markCentre() const;
    void placeChildren();

    AppSection m_section;
    bool m_isCollapsed = false;
    SidebarRowColors m_colors;
    SidebarMark m_mark;
    ui::StudioIcon* m_icon = nullptr;
    ui::AppCapsuleLabel* m_countCapsule = nullptr;
};

// The application-update banner of the expanded sidebar: a button that runs the user's update
// check and a button that dismisses the announced build.
class UpdateBanner final : public QWidget {
    Q_OBJECT

public:
    explicit UpdateBanner(QWidget* parent = nullptr);

    void showNotice(const std::optional<screens::AppUpdateNotice>& notice);

signals:
    void checkRequested();
    void dismissRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class VersionLine;
    VersionLine* m_versionLine = nullptr;
};

// The application's navigation: the main rows, the update banner, and at the foot the lower rows
// with the application's name. A thin widget over SidebarState.
class Sidebar final : public QWidget {
    Q_OBJECT

public:
    // The name line shows the bundle's name, and whether it is a developer build.
    explicit Sidebar(const platform::Bundle& mainBundle, QWidget* parent = nullptr);

    void showState(const SidebarState& state);
    SidebarRow* row(AppSection section) const;

signals:
    void sectionSelected(AppSection section);
    void rowHoverEntered(AppSection section);
    void rowHoverExited(AppSection section);
    void updateCheckRequested();
    void updateDismissed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* makeGroup(std::span<const AppSection> sections, int spacing);
    QWidget* makeFoot(const platform::Bundle& mainBundle);

    QList<SidebarRow*> m_rows;
    UpdateBanner* m_banner = nullptr;
    QWidget* m_nameLine = nullptr;
    QWidget* m_collapsedFootSpacer = nullptr;
};

} // namespace marlox::app

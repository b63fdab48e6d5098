#pragma once

#include <QObject>

namespace marlox::app {

// Whether the sidebar shows icon tiles only. Shared by every window and not kept across launches.
class SidebarUIState final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isCollapsed READ isCollapsed WRITE setCollapsed NOTIFY isCollapsedChanged)

public:
    using QObject::QObject;

    bool isCollapsed() const { return m_isCollapsed; }
    void setCollapsed(bool collapsed);

signals:
    void isCollapsedChanged();

private:
    bool m_isCollapsed = false;
};

} // namespace marlox::app

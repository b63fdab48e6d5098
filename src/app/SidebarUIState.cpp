#include "SidebarUIState.h"

namespace marlox::app {

void SidebarUIState::setCollapsed(bool collapsed) {
    if (m_isCollapsed == collapsed) {
        return;
    }
    m_isCollapsed = collapsed;
    emit isCollapsedChanged();
}

} // namespace marlox::app

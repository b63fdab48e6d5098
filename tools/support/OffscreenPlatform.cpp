#include "tools/support/OffscreenPlatform.h"

#include <QByteArray>
#include <QtGlobal>

namespace marlox::tools {

void preferOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

} // namespace marlox::tools

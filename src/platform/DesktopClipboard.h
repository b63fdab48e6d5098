#pragma once

#include "platform/Clipboard.h"

namespace marlox::platform {

// The clipboard of the running desktop session.
class DesktopClipboard final : public Clipboard {
public:
    void setText(const QString& text) override;
};

} // namespace marlox::platform

#pragma once

#include <QString>

namespace marlox::platform {

// The desktop's general clipboard.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces whatever the clipboard held with the text, as plain text.
    virtual void setText(const QString& text) = 0;
};

} // namespace marlox::platform

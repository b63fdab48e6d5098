#pragma once

#include <QString>

namespace marlox::platform {
class Bundle;
}

namespace marlox::screens {

// "<short version> (<build>)" from the bundle's Info.plist: "0.1.0" and "-" stand in for a value
// that is missing or not text.
QString appVersionText(const platform::Bundle& bundle);
// The same for the running application.
QString appVersionText();

} // namespace marlox::screens

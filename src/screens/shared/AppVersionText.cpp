#include "AppVersionText.h"

#include "platform/Bundle.h"

namespace marlox::screens {

QString appVersionText(const platform::Bundle& bundle) {
    return bundle.infoString(QStringLiteral("CFBundleShortVersionString"))
               .value_or(QStringLiteral("0.1.0")) +
           QStringLiteral(" (") +
           bundle.infoString(QStringLiteral("CFBundleVersion")).value_or(QStringLiteral("-")) +
           QLatin1Char(')');
}

QString appVersionText() {
    return appVersionText(platform::mainBundle());
}

} // namespace marlox::screens

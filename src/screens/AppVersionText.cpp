#include "AppVersionText.h"

#include "platform/Bundle.h"

namespace marlox::screens {
namespace {

QString textValue(const platform::Bundle& bundle, const QString& key, const QString& fallback) {
    const QVariant value = bundle.infoValue(key);
    return value.typeId() == QMetaType::QString ? value.toString() : fallback;
}

} // namespace

QString appVersionText(const platform::Bundle& bundle) {
    return textValue(bundle, QStringLiteral("CFBundleShortVersionString"),
                     QStringLiteral("0.1.0")) +
           QStringLiteral(" (") +
           textValue(bundle, QStringLiteral("CFBundleVersion"), QStringLiteral("-")) +
           QLatin1Char(')');
}

QString appVersionText() {
    return appVersionText(platform::Bundle::main());
}

} // namespace marlox::screens

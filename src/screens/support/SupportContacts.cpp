#include "SupportContacts.h"

#include <QUrl>

namespace marlox::screens {

SupportContacts builtSupportContacts() {
    return {QStringLiteral(MARLOX_SUPPORT_EMAIL), QStringLiteral(MARLOX_PRODUCT_PAGE_URL)};
}

QString addressWithoutScheme(const QString& address) {
    const QUrl url(address);
    if (!url.isValid() || url.scheme().isEmpty()) {
        return address;
    }
    QString shown = url.toString(QUrl::RemoveScheme);
    if (shown.startsWith(QLatin1String("//"))) {
        shown.remove(0, 2);
    }
    return shown;
}

} // namespace marlox::screens

#pragma once

#include <QString>

namespace marlox::screens {

// Where support requests go and where the product is described; set when the build is
// configured.
struct SupportContacts {
    QString emailAddress;
    QString productPageAddress;
};

SupportContacts builtSupportContacts();

// The web address as the "Documentation" card shows it: without its scheme.
QString addressWithoutScheme(const QString& address);

} // namespace marlox::screens

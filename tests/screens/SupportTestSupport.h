#pragma once

#include "platform/MailComposer.h"
#include "screens/SupportRequest.h"
#include "support/CatalogFixtures.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/RecordingWorkspace.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <ostream>

namespace marlox::platform {
inline void PrintTo(const MailDraft& draft, std::ostream* out) {
    *out << "to " << draft.recipient.toStdString() << " subject " << draft.subject.toStdString()
         << " attachments [" << draft.attachmentPaths.join(", ").toStdString() << "] body\n"
         << draft.body.toStdString();
}
} // namespace marlox::platform

namespace marlox::screens {
inline void PrintTo(const SupportDraftOutcome& outcome, std::ostream* out) {
    *out << "status " << outcome.statusMessage.value_or("<none>").toStdString() << ", error "
         << outcome.errorMessage.value_or("<none>").toStdString();
}
} // namespace marlox::screens

namespace marlox::testing {

// A catalog package shown under that name.
inline catalog::PackageManifest namedPackage(const QString& id, const QString& name,
                                             const QString& version = "2.0.0") {
    catalog::PackageManifest package = testPackage(id, catalog::PackageType::generator, version);
    package.name = name;
    return package;
}

} // namespace marlox::testing

#pragma once

#include "platform/MailComposer.h"
#include "screens/support/SupportRequest.h"
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

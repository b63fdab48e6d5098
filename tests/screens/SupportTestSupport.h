#pragma once

#include "ScreenTestSupport.h"
#include "platform/Clipboard.h"
#include "platform/MailComposer.h"
#include "platform/SystemInformation.h"
#include "screens/SupportRequest.h"
#include "support/QtPrinters.h"
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

// A compose-mail service that records each draft it is given.
struct RecordingMailComposer final : platform::MailComposer {
    bool canCompose(const platform::MailDraft&) const override { return available; }
    bool compose(const platform::MailDraft& draft) override {
        composed.append(draft);
        return startsComposing;
    }

    bool available = true;
    bool startsComposing = true;
    QList<platform::MailDraft> composed;
};

struct RecordingClipboard final : platform::Clipboard {
    void setText(const QString& text) override { texts.append(text); }
    QStringList texts;
};

// A system whose answers the test sets.
struct FixedSystemInformation final : platform::SystemInformation {
    QString operatingSystemVersion() const override { return systemVersion; }
    std::optional<QVariantMap> applicationInfo(const QString& bundleIdentifier) const override {
        ++lookups;
        const auto found = applications.constFind(bundleIdentifier);
        return found == applications.cend() ? std::nullopt : std::optional(*found);
    }
    QString machineModel() const override { return model; }

    QString systemVersion = "Debian GNU/Linux 12 (bookworm)";
    QMap<QString, QVariantMap> applications;
    QString model = "Studio Tower 3";
    mutable int lookups = 0;
};

// A catalog package shown under that name.
inline catalog::PackageManifest namedPackage(const QString& id, const QString& name,
                                             const QString& version = "2.0.0") {
    catalog::PackageManifest package = catalogPackage(id, version);
    package.name = name;
    return package;
}

} // namespace marlox::testing

#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"
#include "catalog/InstalledPackageStore.h"
#include "platform/MailComposer.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QObject;

namespace marlox::platform {
class Clipboard;
class Workspace;
} // namespace marlox::platform

namespace marlox::screens {

inline const QString generalSupportTargetID = QStringLiteral("__general__");
inline const QString generalSupportTargetLabel = QStringLiteral("General app issue");

inline const QString noInstalledPluginsLine =
    QStringLiteral("No installed plugins found. You can still send a general support request.");
inline const QString notProvidedText = QStringLiteral("Not provided");
inline const QString draftPreparationFailedMessage =
    QStringLiteral("The support email draft could not be prepared.");
inline const QString mailDraftNotOpenedMessage =
    QStringLiteral("macOS could not open a mail draft. Use Copy Draft instead.");
inline const QString mailtoWithAttachmentsMessage =
    QStringLiteral("Mail draft opened. Attachments must be added manually in mailto mode.");
inline const QString mailtoOpenedMessage =
    QStringLiteral("Mail draft opened in your default email app.");
inline const QString draftCopiedMessage = QStringLiteral("Support draft copied to the clipboard.");

// The most characters the form's fields take. A description of 16 Ki characters is some 2,500
// words; an unbroken line of it is laid out anew at each keystroke in about a frame, where one of
// 64 Ki takes 180 ms, and the draft stays well inside a program argument's 128 KiB.
inline constexpr int maximumSupportMessageLength = 16 * 1024;
inline constexpr int maximumSupportFieldLength = 256;

// One entry of the "Affected Plugin" picker: the application in general or one installed record.
struct SupportTargetOption {
    QString id;
    QString label;

    bool operator==(const SupportTargetOption&) const = default;
};

size_t qHash(const SupportTargetOption& option, size_t seed = 0);

// The general option, then one "<name> · <version>" option per installed record, ordered by name
// as the user's locale orders texts, ignoring letter case. A record the catalog does not know
// goes by its id; one the catalog lists twice by the entry it stands for
// (catalog::RecordedEntries).
QList<SupportTargetOption> supportTargetOptions(const QList<catalog::PackageManifest>& packages,
                                                const catalog::InstalledPackageMap& installedByID);

// Nothing for the general target or for an id no record holds (any more).
std::optional<catalog::InstalledPackage>
selectedSupportRecord(const QString& selectedTargetID,
                      const catalog::InstalledPackageMap& installedByID);
// The catalog entry the record stands for (catalog::RecordedEntries).
std::optional<catalog::PackageManifest>
selectedSupportPackage(const std::optional<catalog::InstalledPackage>& record,
                       const QList<catalog::PackageManifest>& packages);

// The line under the picker: the hint when nothing is installed, the selected record's version
// and kind, or nothing.
std::optional<QString>
affectedPluginInformationLine(const QList<SupportTargetOption>& options,
                              const std::optional<catalog::InstalledPackage>& record);

// "Generators", "Filters" or "Templates".
QString packageTypeWord(catalog::PackageType type);

// The system fields of the form, detected or typed.
struct SystemInfoFields {
    QString motionVersion;
    QString finalCutVersion;
    QString macOSVersion;
    QString macModel;

    bool hasEmptyField() const;
    bool operator==(const SystemInfoFields&) const = default;
};

// What the user filled in on the Support screen.
struct SupportForm {
    QString selectedTargetID = generalSupportTargetID;
    QString customerEmail;
    QString messageBody;
    SystemInfoFields systemInfo;
    // Absolute paths in the order added, each once.
    QStringList attachedMediaPaths;
    bool includeAppLogs = false;
    // The log excerpt read when the log switch was turned on.
    std::optional<QString> logSnippet;
};

// What a draft reads besides the form: the services' state and the build's own values.
struct SupportContext {
    QList<catalog::PackageManifest> packages;
    catalog::InstalledPackageMap installedByID;
    QString loadSourceLabel;
    QString appVersionText;
    QString appDisplayName;
    QString supportEmailAddress;
    QString operationsLogPath;

    // Asked afresh at every call: the log may come or go at any time.
    bool operationsLogExists() const;
};

// The trimmed value, or "Not provided" when nothing is left.
QString valueOrNotProvided(const QString& value);
// Both the e-mail address and the description hold more than white space; whether the
// description does is told by its editor, which knows without a copy of the text.
bool canComposeSupportDraft(const QString& customerEmail, bool descriptionIsBlank);

QString supportDraftSubject(const SupportForm& form, const SupportContext& context);
QString supportDraftBody(const SupportForm& form, const SupportContext& context);
// How many files go with the draft, in words: "no attachments", "1 attachment", "3 attachments".
// An attached path that is no regular file its user can read (a folder, a pipe, a link to a file
// the user may not read, a file gone) does not go with it.
QString attachmentSummary(const SupportForm& form, const SupportContext& context);

// "mailto:<address>?subject=…&body=…" with every byte of the texts percent-encoded except the
// unreserved characters, so that no text can add a recipient or a header; nothing when the
// address cannot stand in such an address.
std::optional<QUrl> supportMailtoURL(const QString& address, const QString& subject,
                                     const QString& body);

// The draft as the compose-mail service receives it: the whole operations log (when included
// and present), then the attached files that can go with it.
platform::MailDraft supportMailDraft(const SupportForm& form, const SupportContext& context);
// The body, the log excerpt read earlier and the names of the files to attach by hand.
QString copiedSupportDraft(const SupportForm& form, const SupportContext& context);

// What the screen shows after Open Draft or Copy Draft; at most one of them is set.
struct SupportDraftOutcome {
    std::optional<QString> statusMessage;
    std::optional<QString> errorMessage;

    bool operator==(const SupportDraftOutcome&) const = default;
};

// The compose-mail service when it can take the draft and answers that it took it, else the
// mailto: address opened by the desktop. The service's status names the attached files that were
// left out. Answered on the receiver's thread once the services have answered; cancelled when the
// receiver goes first, and then the desktop is not asked.
QFuture<SupportDraftOutcome> openSupportDraft(QObject& receiver, const SupportForm& form,
                                              const SupportContext& context,
                                              platform::MailComposer& composer,
                                              platform::Workspace& workspace);
SupportDraftOutcome copySupportDraft(const SupportForm& form, const SupportContext& context,
                                     platform::Clipboard& clipboard);

} // namespace marlox::screens

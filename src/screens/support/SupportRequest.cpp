#include "SupportRequest.h"

#include "base/NameOrder.h"
#include "platform/Clipboard.h"
#include "platform/Continuation.h"
#include "platform/Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPromise>

#include <memory>
#include <utility>

namespace marlox::screens {
namespace {

const QString productName = QStringLiteral("Marlox Studio");
const QString optionSeparator = QStringLiteral(" · ");

bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

// A file a mail can carry: a regular file, after links, that opens for reading. Only a regular
// file is opened: opening a pipe would wait for a writer.
bool isAttachableFile(const QString& path) {
    const QFileInfo file(path);
    return file.isAbsolute() && file.isFile() && QFile(path).open(QIODevice::ReadOnly);
}

// The attached files that go with a draft, in order, and the names of those left out.
std::pair<QStringList, QStringList> attachableMedia(const SupportForm& form) {
    QStringList attachable;
    QStringList leftOut;
    for (const QString& path : form.attachedMediaPaths) {
        if (isAttachableFile(path)) {
            attachable.append(path);
        } else {
            leftOut.append(QFileInfo(path).fileName());
        }
    }
    return {attachable, leftOut};
}

int attachmentCount(const SupportForm& form, const SupportContext& context) {
    const bool logGoesAlong = form.includeAppLogs && context.operationsLogExists();
    return int(attachableMedia(form).first.size()) + (logGoesAlong ? 1 : 0);
}

std::optional<catalog::PackageManifest> selectedPackage(const SupportForm& form,
                                                        const SupportContext& context) {
    return selectedSupportPackage(
        selectedSupportRecord(form.selectedTargetID, context.installedByID), context.packages);
}

using DraftOutcomePromise = std::shared_ptr<QPromise<SupportDraftOutcome>>;

void answer(QPromise<SupportDraftOutcome>& promise, const SupportDraftOutcome& outcome) {
    promise.addResult(outcome);
    promise.finish();
}

SupportDraftOutcome composedDraftOutcome(const SupportForm& form, const SupportContext& context) {
    QString status = QStringLiteral("Mail draft opened with ") + attachmentSummary(form, context) +
                     QLatin1Char('.');
    // One file that cannot go along does not keep the others back, but the user is told.
    if (const QStringList leftOut = attachableMedia(form).second; !leftOut.isEmpty()) {
        status += QStringLiteral(" Not attached, as they are not readable files: ") +
                  leftOut.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    return {status, std::nullopt};
}

void openMailtoDraft(QObject& receiver, const SupportForm& form, const platform::MailDraft& draft,
                     platform::Workspace& workspace, const DraftOutcomePromise& outcome) {
    const auto url = supportMailtoURL(draft.recipient, draft.subject, draft.body);
    if (!url) {
        answer(*outcome, {std::nullopt, draftPreparationFailedMessage});
        return;
    }
    const bool hasAttachments = !form.attachedMediaPaths.isEmpty() || form.includeAppLogs;
    platform::continueOn(receiver, workspace.openURL(*url), [outcome, hasAttachments](bool opened) {
        if (!opened) {
            answer(*outcome, {std::nullopt, mailDraftNotOpenedMessage});
            return;
        }
        answer(*outcome,
               {hasAttachments ? mailtoWithAttachmentsMessage : mailtoOpenedMessage, std::nullopt});
    });
}

} // namespace

size_t qHash(const SupportTargetOption& option, size_t seed) {
    return qHashMulti(seed, option.id, option.label);
}

QList<SupportTargetOption> supportTargetOptions(const QList<catalog::PackageManifest>& packages,
                                                const catalog::InstalledPackageMap& installedByID) {
    const catalog::RecordedEntries entries(packages);
    QList<std::pair<QString, catalog::InstalledPackage>> named;
    for (const catalog::InstalledPackage& record : installedByID) {
        const std::optional<catalog::PackageManifest> entry = entries.entryFor(record);
        named.append({entry ? entry->name : record.id, record});
    }
    base::sortByLocalizedName(named, [](const auto& entry) { return entry.first; });

    QList<SupportTargetOption> options{{generalSupportTargetID, generalSupportTargetLabel}};
    for (const auto& [name, record] : std::as_const(named)) {
        options.append({record.id, name + optionSeparator + record.version});
    }
    return options;
}

std::optional<catalog::InstalledPackage>
selectedSupportRecord(const QString& selectedTargetID,
                      const catalog::InstalledPackageMap& installedByID) {
    if (selectedTargetID == generalSupportTargetID) {
        return std::nullopt;
    }
    const auto found = installedByID.constFind(selectedTargetID);
    if (found == installedByID.cend()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<catalog::PackageManifest>
selectedSupportPackage(const std::optional<catalog::InstalledPackage>& record,
                       const QList<catalog::PackageManifest>& packages) {
    if (!record) {
        return std::nullopt;
    }
    return catalog::RecordedEntries(packages).entryFor(*record);
}

QString packageTypeWord(catalog::PackageType type) {
    switch (type) {
    case catalog::PackageType::generator:
        return QStringLiteral("Generators");
    case catalog::PackageType::filter:
        return QStringLiteral("Filters");
    case catalog::PackageType::template_:
        return QStringLiteral("Templates");
    }
    return {};
}

std::optional<QString>
affectedPluginInformationLine(const QList<SupportTargetOption>& options,
                              const std::optional<catalog::InstalledPackage>& record) {
    if (options.size() == 1) {
        return noInstalledPluginsLine;
    }
    if (record) {
        return QStringLiteral("Installed version ") + record->version + optionSeparator +
               packageTypeWord(record->packageType);
    }
    return std::nullopt;
}

bool SystemInfoFields::hasEmptyField() const {
    return motionVersion.isEmpty() || finalCutVersion.isEmpty() || macOSVersion.isEmpty() ||
           macModel.isEmpty();
}

bool SupportContext::operationsLogExists() const {
    return QFileInfo(operationsLogPath).isFile();
}

QString valueOrNotProvided(const QString& value) {
    const QString trimmed = value.trimmed();
    return trimmed.isEmpty() ? notProvidedText : trimmed;
}

bool canComposeSupportDraft(const QString& customerEmail, bool descriptionIsBlank) {
    return !isBlank(customerEmail) && !descriptionIsBlank;
}

QString supportDraftSubject(const SupportForm& form, const SupportContext& context) {
    if (const auto package = selectedPackage(form, context)) {
        return productName + QStringLiteral(" Support - ") + package->name;
    }
    return productName + QStringLiteral(" Support Request");
}

QString supportDraftBody(const SupportForm& form, const SupportContext& context) {
    const auto record = selectedSupportRecord(form.selectedTargetID, context.installedByID);
    const auto package = selectedSupportPackage(record, context.packages);
    const QString notApplicable = QStringLiteral("n/a");
    const SystemInfoFields& system = form.systemInfo;
    return QStringLiteral("Support request for ") + productName +
           QStringLiteral("\n\nAffected plugin: ") +
           (package ? package->name : generalSupportTargetLabel) +
           QStringLiteral("\nPackage ID: ") + (package ? package->id : notApplicable) +
           QStringLiteral("\nInstalled plugin version: ") +
           (record ? record->version : notApplicable) + QStringLiteral("\nCustomer email: ") +
           form.customerEmail.trimmed() + QStringLiteral("\n\nWhat happened:\n") +
           form.messageBody.trimmed() + QStringLiteral("\n\nSystem info:\nApple Motion version: ") +
           valueOrNotProvided(system.motionVersion) + QStringLiteral("\nFinal Cut Pro version: ") +
           valueOrNotProvided(system.finalCutVersion) + QStringLiteral("\nmacOS version: ") +
           valueOrNotProvided(system.macOSVersion) + QStringLiteral("\nMac model: ") +
           valueOrNotProvided(system.macModel) + QStringLiteral("\n\nApp info:\nApp version: ") +
           context.appVersionText + QStringLiteral("\nBuild flavor: ") + context.appDisplayName +
           QStringLiteral("\nCatalog source: ") + context.loadSourceLabel;
}

QString attachmentSummary(const SupportForm& form, const SupportContext& context) {
    const int count = attachmentCount(form, context);
    if (count == 0) {
        return QStringLiteral("no attachments");
    }
    return QString::number(count) + QStringLiteral(" attachment") +
           (count == 1 ? QString() : QStringLiteral("s"));
}

std::optional<QUrl> supportMailtoURL(const QString& address, const QString& subject,
                                     const QString& body) {
    if (isBlank(address)) {
        return std::nullopt;
    }
    const QByteArray encoded = QByteArrayLiteral("mailto:") +
                               QUrl::toPercentEncoding(address, "@") +
                               QByteArrayLiteral("?subject=") + QUrl::toPercentEncoding(subject) +
                               QByteArrayLiteral("&body=") + QUrl::toPercentEncoding(body);
    const QUrl url = QUrl::fromEncoded(encoded, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    return url;
}

platform::MailDraft supportMailDraft(const SupportForm& form, const SupportContext& context) {
    platform::MailDraft draft{context.supportEmailAddress,
                              supportDraftSubject(form, context),
                              supportDraftBody(form, context),
                              {}};
    if (form.includeAppLogs && context.operationsLogExists()) {
        draft.attachmentPaths.append(context.operationsLogPath);
    }
    draft.attachmentPaths.append(attachableMedia(form).first);
    return draft;
}

QString copiedSupportDraft(const SupportForm& form, const SupportContext& context) {
    QString text = supportDraftBody(form, context);
    if (form.includeAppLogs && form.logSnippet && !form.logSnippet->isEmpty()) {
        text += QStringLiteral("\n\nRecent operations log:\n") + *form.logSnippet;
    }
    if (!form.attachedMediaPaths.isEmpty()) {
        QStringList names;
        for (const QString& path : form.attachedMediaPaths) {
            names.append(QFileInfo(path).fileName());
        }
        text += QStringLiteral("\n\nAttached files (add manually): ") +
                names.join(QStringLiteral(", "));
    }
    return text;
}

QFuture<SupportDraftOutcome> openSupportDraft(QObject& receiver, const SupportForm& form,
                                              const SupportContext& context,
                                              platform::MailComposer& composer,
                                              platform::Workspace& workspace) {
    const platform::MailDraft draft = supportMailDraft(form, context);
    // The status names the files as they were when the draft was made of them.
    const SupportDraftOutcome composedOutcome = composedDraftOutcome(form, context);
    // Dropped unanswered with the continuations when the receiver goes, which cancels the future.
    auto outcome = std::make_shared<QPromise<SupportDraftOutcome>>();
    outcome->start();
    // A service that cannot take the draft, or answers that it did not, leaves the mailto: route.
    const QFuture<bool> composed =
        composer.canCompose(draft) ? composer.compose(draft) : QtFuture::makeReadyFuture(false);
    platform::continueOn(
        receiver, composed,
        [&receiver, &workspace, form, draft, composedOutcome, outcome](bool tookDraft) {
            if (tookDraft) {
                answer(*outcome, composedOutcome);
            } else {
                openMailtoDraft(receiver, form, draft, workspace, outcome);
            }
        });
    return outcome->future();
}

SupportDraftOutcome copySupportDraft(const SupportForm& form, const SupportContext& context,
                                     platform::Clipboard& clipboard) {
    clipboard.setText(copiedSupportDraft(form, context));
    return {draftCopiedMessage, std::nullopt};
}

} // namespace marlox::screens

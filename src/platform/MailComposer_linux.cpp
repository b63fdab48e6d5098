#include "MailComposer.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace marlox::platform {
namespace {

const QString programName = QStringLiteral("xdg-email");

} // namespace

XdgEmailComposer::XdgEmailComposer(QStringList searchFolders, std::chrono::milliseconds answerBound)
    : m_searchFolders(std::move(searchFolders)), m_answerBound(answerBound) {}

QString XdgEmailComposer::programPath() const {
    return QStandardPaths::findExecutable(programName, m_searchFolders);
}

bool XdgEmailComposer::canCompose(const MailDraft& draft) const {
    const bool everyAttachmentIsAFile = std::all_of(
        draft.attachmentPaths.cbegin(), draft.attachmentPaths.cend(), [](const QString& path) {
            const QFileInfo file(path);
            return file.isAbsolute() && file.isFile();
        });
    return everyAttachmentIsAFile && !programPath().isEmpty();
}

QFuture<bool> XdgEmailComposer::compose(const MailDraft& draft) {
    return handOverToProgram(programName, m_searchFolders, arguments(draft), m_answerBound);
}

QStringList XdgEmailComposer::arguments(const MailDraft& draft) {
    // Every text is passed as UTF-8 whatever the locale says.
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), draft.subject,
                          QStringLiteral("--body"), draft.body};
    for (const QString& path : draft.attachmentPaths) {
        arguments << QStringLiteral("--attach") << path;
    }
    arguments << draft.recipient;
    return arguments;
}

} // namespace marlox::platform

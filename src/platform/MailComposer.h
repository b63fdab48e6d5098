#pragma once

#include "platform/ProgramHandOver.h"

#include <QFuture>
#include <QString>
#include <QStringList>

namespace marlox::platform {

// A mail for the user to review and send from their own mail application.
struct MailDraft {
    QString recipient;
    QString subject;
    QString body;
    // Files to attach, in order.
    QStringList attachmentPaths;

    bool operator==(const MailDraft&) const = default;
};

// The system's compose-mail service.
class MailComposer {
public:
    virtual ~MailComposer() = default;
    // Whether the service is there and can take this draft with every attachment.
    virtual bool canCompose(const MailDraft& draft) const = 0;
    // Hands the draft over; answers, later, whether the service took it.
    virtual QFuture<bool> compose(const MailDraft& draft) = 0;
};

// xdg-email from the PATH (or from the given folders), started with the draft as its argument
// list, so that no shell ever reads the texts; its answer is the program's, given within the
// bound (handOverToProgram). It attaches only existing regular files.
class XdgEmailComposer final : public MailComposer {
public:
    explicit XdgEmailComposer(QStringList searchFolders = {},
                              std::chrono::milliseconds answerBound = handOverAnswerBound);

    bool canCompose(const MailDraft& draft) const override;
    QFuture<bool> compose(const MailDraft& draft) override;

    static QStringList arguments(const MailDraft& draft);

private:
    QString programPath() const;

    QStringList m_searchFolders;
    std::chrono::milliseconds m_answerBound;
};

} // namespace marlox::platform

#pragma once

#include "platform/Clipboard.h"
#include "platform/FileChooser.h"
#include "platform/MailComposer.h"
#include "platform/SystemInformation.h"

#include <QFuture>
#include <QList>
#include <QMap>
#include <QPromise>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// Stand-ins for the desktop pieces a support request reaches: they record what they are asked
// and answer as the test sets.
namespace marlox::testing {

// A compose-mail service that records each draft it is given and answers at once, or, once the
// test holds its answers, when the test gives the answer.
struct RecordingMailComposer final : platform::MailComposer {
    bool canCompose(const platform::MailDraft&) const override { return available; }
    QFuture<bool> compose(const platform::MailDraft& draft) override {
        composed.append(draft);
        return heldAnswer ? heldAnswer->future() : QtFuture::makeReadyFuture(takesDrafts);
    }

    void holdAnswers() {
        heldAnswer.emplace();
        heldAnswer->start();
    }
    void giveHeldAnswer(bool tookDraft) {
        heldAnswer->addResult(tookDraft);
        heldAnswer->finish();
        heldAnswer.reset();
    }

    bool available = true;
    bool takesDrafts = true;
    std::optional<QPromise<bool>> heldAnswer;
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

// A file chooser that answers each request with the next prepared choice, at once; a request
// without one counts as cancelled.
struct PreparedFileChooser final : platform::FileChooser {
    void chooseFiles(QWidget*, const platform::FileChoice& choice,
                     ChosenHandler onChosen) override {
        requests.append(choice);
        if (!choices.isEmpty()) {
            onChosen(choices.takeFirst());
        }
    }

    QList<QStringList> choices;
    QList<platform::FileChoice> requests;
};

} // namespace marlox::testing

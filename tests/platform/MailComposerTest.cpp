#include "platform/MailComposer.h"

#include "support/AwaitFuture.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>

using namespace marlox::platform;
using namespace marlox::testing;
using namespace std::chrono_literals;

namespace {

// A stand-in xdg-email that writes its arguments, each ended by a NUL, to a file beside it.
class MailComposerTest : public ScratchHomeTest {
protected:
    MailComposerTest() {
        writeExecutable(tools + "/xdg-email", "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"" +
                                                  QFile::encodeName(tools) + "/args.part\"\nmv \"" +
                                                  QFile::encodeName(tools) + "/args.part\" \"" +
                                                  QFile::encodeName(tools) + "/args\"\n");
        writeFile(screenshot, "png");
        writeFile(recording, "mov");
    }

    QStringList recordedArguments() const {
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(tools + "/args"); }, 10000)) {
            return {"<xdg-email was not run>"};
        }
        QStringList arguments = QString::fromUtf8(readFile(tools + "/args")).split(QChar(0));
        arguments.removeLast();
        return arguments;
    }

    QString tools = home.filePath("tools");
    QString screenshot = home.filePath("shots/Screen Shot \"1\" $(x).png");
    QString recording = home.filePath("shots/-rec.mov");
    MailDraft draft{"support@marlox.studio",
                    "Broken; rm -rf ~ `x` & --attach /etc/passwd",
                    "Line one\nLine \"two\" $HOME\n\n--subject evil",
                    {screenshot, recording}};
};

TEST_F(MailComposerTest, HandsTheDraftToXdgEmailAsItsArgumentList) {
    XdgEmailComposer composer({tools});
    ASSERT_TRUE(composer.canCompose(draft));
    ASSERT_EQ(awaitedResult(composer.compose(draft)), true);
    EXPECT_EQ(recordedArguments(),
              QStringList({"--utf8", "--subject", draft.subject, "--body", draft.body, "--attach",
                           screenshot, "--attach", recording, "support@marlox.studio"}));
}

TEST_F(MailComposerTest, CannotComposeWithoutTheProgramOrWithAnAttachmentThatIsNoFile) {
    const std::pair<QStringList, QString> cases[] = {
        {{home.filePath("shots/missing.png")}, tools},
        {{home.filePath("shots")}, tools},
        {{"shots/-rec.mov"}, tools},
        {{screenshot}, home.filePath("empty")},
    };
    for (const auto& [attachments, searchFolder] : cases) {
        MailDraft withAttachments = draft;
        withAttachments.attachmentPaths = attachments;
        EXPECT_FALSE(XdgEmailComposer({searchFolder}).canCompose(withAttachments))
            << attachments.join(", ").toStdString() << " from " << searchFolder.toStdString();
    }
    EXPECT_EQ(awaitedResult(XdgEmailComposer({home.filePath("empty")}).compose(draft)), false);
}

TEST_F(MailComposerTest, XdgEmailsExitIsTheAnswer) {
    // What the stand-in does, and whether the draft was taken
    const std::pair<QByteArray, bool> cases[] = {
        // As where no mail program is set up: "no method available for opening 'mailto:…'"
        {"exit 3", false},
        {"exit 0", true},
        {"kill -KILL $$", false},
    };
    for (const auto& [script, taken] : cases) {
        writeExecutable(tools + "/xdg-email", "#!/bin/sh\n" + script + "\n");
        // A bound longer than a loaded machine takes to run a shell: the exit answers, not it.
        XdgEmailComposer composer({tools}, 20s);
        EXPECT_EQ(awaitedResult(composer.compose(draft)), taken) << script.toStdString();
    }
}

TEST_F(MailComposerTest, AnXdgEmailStillRunningAtTheBoundTookTheDraftAndRunsOnUntilItEnds) {
    // GIVEN an xdg-email that runs on, as some do until the mail client they started closes, and
    // ends, saying so, when it is told to
    writeExecutable(tools + "/xdg-email", "#!/bin/sh\ntrap 'touch \"$0.told\"; exit 0' USR1\n"
                                          "echo $$ > \"$0.part\"\nmv \"$0.part\" \"$0.pid\"\n"
                                          "while :; do sleep 0.05; done\n");

    // WHEN it is handed the draft with a bound of a fifth of a second, and then told to end
    const std::optional<bool> answer =
        awaitedResult(XdgEmailComposer({tools}, 200ms).compose(draft));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo::exists(tools + "/xdg-email.pid"); }, 10000));
    const pid_t program = readFile(tools + "/xdg-email.pid").trimmed().toInt();
    ::kill(program, SIGUSR1);

    // THEN it took the draft and ran on to hear it; once it ends, it is reaped
    EXPECT_EQ(answer, true);
    const bool ranOn =
        QTest::qWaitFor([&] { return QFileInfo::exists(tools + "/xdg-email.told"); }, 10000);
    EXPECT_TRUE(ranOn);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(program)); }, 10000));
    if (!ranOn) {
        ::kill(program, SIGKILL);
    }
}

} // namespace

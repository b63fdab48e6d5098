#include "platform/MailComposer.h"

#include "support/AwaitFuture.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

// A stand-in xdg-email that writes its arguments, each ended by a NUL, to a file beside it.
class MailComposerTest : public ScratchHomeTest {
protected:
    MailComposerTest() {
        writeFile(tools + "/xdg-email", "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"" +
                                            QFile::encodeName(tools) + "/args.part\"\nmv \"" +
                                            QFile::encodeName(tools) + "/args.part\" \"" +
                                            QFile::encodeName(tools) + "/args\"\n");
        QFile::setPermissions(tools + "/xdg-email", QFile::ReadOwner | QFile::ExeOwner);
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

} // namespace

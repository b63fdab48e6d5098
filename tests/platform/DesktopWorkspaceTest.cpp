#include "platform/DesktopWorkspace.h"

#include "support/AwaitFuture.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

using DesktopWorkspaceTest = ScratchHomeTest;

TEST_F(DesktopWorkspaceTest, XdgOpensExitIsTheAnswerToOpeningAnAddress) {
    // GIVEN a stand-in xdg-open that writes each argument it gets, ended by "|", and exits
    const QString tools = home.filePath("tools");
    const QUrl address =
        QUrl::fromEncoded("mailto:support@marlox.studio?subject=It%20stops&body=a%26cc%3Dx");
    // Its exit status, and whether an application took the address
    const std::pair<int, bool> cases[] = {{3, false}, {0, true}};
    for (const auto& [status, taken] : cases) {
        QFile::remove(tools + "/arguments");
        writeExecutable(tools + "/xdg-open", "#!/bin/sh\nprintf '%s|' \"$@\" > \"" +
                                                 QFile::encodeName(tools) + "/arguments\"\nexit " +
                                                 QByteArray::number(status) + "\n");

        // WHEN the address is opened, with a bound longer than a loaded machine takes to run it
        const std::optional<bool> answer =
            awaitedResult(DesktopWorkspace({tools}, std::chrono::seconds(20)).openURL(address));

        // THEN the answer is the exit's, and the address went whole as one argument
        EXPECT_EQ(answer, taken) << "exit " << status;
        EXPECT_EQ(QString::fromUtf8(readFile(tools + "/arguments")),
                  QString::fromLatin1(address.toEncoded()) + "|");
    }
}

} // namespace

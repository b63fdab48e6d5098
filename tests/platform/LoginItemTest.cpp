#include "platform/LoginItem.h"

#include "support/ScratchHome.h"
#include "support/SmallFileSystem.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::platform;
using namespace marlox::testing;

namespace {

TEST(DesktopEntryExecTest, QuotesTheProgramSoTheLauncherRunsExactlyIt) {
    const std::pair<QString, QString> cases[] = {
        {"/home/u/Marlox Studio.app/MarloxStudio", R"("/home/u/Marlox Studio.app/MarloxStudio")"},
        {R"(/a "b"/c)", R"("/a \\"b\\"/c")"},
        {"/a$HOME/`x`", R"("/a\\$HOME/\\`x\\`")"},
        {R"(/a\b)", R"("/a\\\\b")"},
        {"/100%/%f", R"("/100%%/%%f")"},
    };
    for (const auto& [program, expected] : cases) {
        EXPECT_EQ(desktopEntryExecValue(program), expected) << program.toStdString();
    }
}

class LoginItemTest : public ScratchHomeTest {
protected:
    QString autostartFolder() const { return home.path() + "/home/.config/autostart"; }
};

TEST_F(LoginItemTest, RegisteringWritesTheEntryAndItsPresenceIsTheStatus) {
    MainApplicationLoginItem item("studio.marlox.MarloxStudio", "/opt/Marlox Studio.app/Studio",
                                  "Marlox Studio");
    const QString entry = autostartFolder() + "/studio.marlox.MarloxStudio.desktop";
    EXPECT_EQ(item.entryPath(), entry);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    // Registering twice keeps one entry; unregistering twice is no error.
    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    EXPECT_EQ(readFile(entry), QByteArray("[Desktop Entry]\nType=Application\nName=Marlox Studio\n"
                                          "Exec=\"/opt/Marlox Studio.app/Studio\"\n"
                                          "X-GNOME-Autostart-enabled=true\n"));
    EXPECT_EQ(QDir(autostartFolder()).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(QFileInfo::exists(entry));
}

TEST_F(LoginItemTest, RefusesEntriesThatWouldEscapeOrCannotBeWritten) {
    // The identifier, the program and the name; a folder in place of the entry cannot be replaced.
    const std::tuple<QString, QString, QString> cases[] = {
        {"../../evil", "/opt/app", "App"},
        {"a/b", "/opt/app", "App"},
        {"", "/opt/app", "App"},
        {".desktop", "/opt/app", "App"},
        {"studio.x", "/opt/app\nExec=/bin/evil", "App"},
        {"studio.x", "/opt/app", "App\nExec=/bin/evil"},
        {"studio.x", "opt/app", "App"},
        {"studio.blocked", "/opt/app", "App"},
    };
    QDir().mkpath(autostartFolder() + "/studio.blocked.desktop/inside");
    for (const auto& [identifier, program, name] : cases) {
        SCOPED_TRACE((identifier + " " + program + " " + name).toStdString());
        MainApplicationLoginItem item(identifier, program, name);
        const auto failure = item.registerItem();
        ASSERT_TRUE(failure.has_value());
        EXPECT_FALSE(failure->description().isEmpty());
        EXPECT_NE(item.status(), LoginItemStatus::enabled);
    }
    EXPECT_TRUE(QDir(autostartFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/evil.desktop"));
}

TEST_F(LoginItemTest, AnEntryAFullDiskCannotTakeIsAnsweredAsAFailureAndLeavesNoFile) {
    // GIVEN the autostart folder on a small file system filled to the brim
    SmallFileSystem disk(autostartFolder());
    MARLOX_SKIP_WITHOUT(disk);
    disk.fill();

    // WHEN the login item is registered THEN that fails in the system's words, and no entry,
    // empty or not, starts the application at login
    MainApplicationLoginItem item("studio.marlox.MarloxStudio", "/opt/Studio", "Marlox Studio");
    const auto failure = item.registerItem();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->description(), "The login item “" + item.entryPath() +
                                          "” could not be written: No space left on device");
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(QDir(autostartFolder()).entryList(QDir::Files), QStringList());
}

} // namespace

#include "platform/LoginItem.h"

#include "support/ScratchHome.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::platform;
using marlox::testing::readFile;
using marlox::testing::ScratchHomeTest;

namespace {

class LoginItemTest : public ScratchHomeTest {
protected:
    QString autostartFolder() const { return home.path() + "/home/.config/autostart"; }
};

TEST(DesktopEntryExecTest, QuotesTheProgramSoTheLauncherRunsExactlyIt) {
    const std::pair<QString, QString> cases[] = {
        {"/opt/app", R"("/opt/app")"},
        {"/home/u/Applications/Marlox Studio.app/Contents/MacOS/MarloxStudio",
         R"("/home/u/Applications/Marlox Studio.app/Contents/MacOS/MarloxStudio")"},
        {R"(/a "b"/c)", R"("/a \\"b\\"/c")"},
        {"/a$HOME/`x`", R"("/a\\$HOME/\\`x\\`")"},
        {R"(/a\b)", R"("/a\\\\b")"},
        {"/100%/%f", R"("/100%%/%%f")"},
    };
    for (const auto& [program, expected] : cases) {
        EXPECT_EQ(desktopEntryExecValue(program), expected) << program.toStdString();
    }
}

TEST_F(LoginItemTest, RegisteringWritesTheEntryAndItsPresenceIsTheStatus) {
    MainApplicationLoginItem item("studio.marlox.MarloxStudio",
                                  "/opt/Marlox Studio.app/Contents/MacOS/MarloxStudio",
                                  "Marlox Studio");
    const QString entry = autostartFolder() + "/studio.marlox.MarloxStudio.desktop";
    EXPECT_EQ(item.entryPath(), entry);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    EXPECT_EQ(readFile(entry),
              QByteArray("[Desktop Entry]\n"
                         "Type=Application\n"
                         "Name=Marlox Studio\n"
                         "Exec=\"/opt/Marlox Studio.app/Contents/MacOS/MarloxStudio\"\n"
                         "X-GNOME-Autostart-enabled=true\n"));
    // Registering again keeps one entry.
    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(QDir(autostartFolder()).entryList(QDir::Files).size(), 1);

    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
}

TEST_F(LoginItemTest, RefusesEntriesThatWouldEscapeOrCannotBeWritten) {
    struct Case {
        const char* name;
        QString identifier;
        QString executable;
        QString displayName;
    };
    const Case cases[] = {
        {"identifier climbs out", "../../evil", "/opt/app", "App"},
        {"identifier with slash", "a/b", "/opt/app", "App"},
        {"empty identifier", "", "/opt/app", "App"},
        {"hidden identifier", ".desktop", "/opt/app", "App"},
        {"line break in program", "studio.x", "/opt/app\nExec=/bin/evil", "App"},
        {"line break in name", "studio.x", "/opt/app", "App\nExec=/bin/evil"},
        {"relative program", "studio.x", "opt/app", "App"},
        // A folder in place of the entry cannot be replaced by a file.
        {"entry path is a folder", "studio.blocked", "/opt/app", "App"},
    };
    QDir().mkpath(autostartFolder() + "/studio.blocked.desktop/inside");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainApplicationLoginItem item(c.identifier, c.executable, c.displayName);
        const auto failure = item.registerItem();
        ASSERT_TRUE(failure.has_value());
        EXPECT_FALSE(failure->description.isEmpty());
        EXPECT_NE(item.status(), LoginItemStatus::enabled);
    }
    EXPECT_TRUE(QDir(autostartFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/evil.desktop"));
}

} // namespace

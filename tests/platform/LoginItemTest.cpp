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

TEST_F(LoginItemTest, RefusesValuesThatWouldEscapeTheEntryOrItsFolder) {
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
    };
    for (const Case& c : cases) {
        MainApplicationLoginItem item(c.identifier, c.executable, c.displayName);
        const auto failure = item.registerItem();
        ASSERT_TRUE(failure.has_value()) << c.name;
        EXPECT_FALSE(failure->description.isEmpty()) << c.name;
        EXPECT_NE(item.status(), LoginItemStatus::enabled) << c.name;
    }
    EXPECT_TRUE(QDir(autostartFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/evil.desktop"));
}

TEST_F(LoginItemTest, EntryThatCannotBeWrittenIsAnError) {
    // A folder in place of the entry cannot be replaced by a file.
    QDir().mkpath(autostartFolder() + "/studio.x.desktop/inside");
    MainApplicationLoginItem item("studio.x", "/opt/app", "App");
    EXPECT_TRUE(item.registerItem().has_value());
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
}

} // namespace

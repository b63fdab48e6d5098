#include "platform/UserDefaults.h"

#include "platform/BackgroundWork.h"
#include "support/HeldThreads.h"
#include "support/ScratchHome.h"
#include "support/SmallFileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace marlox::platform;

namespace {

class UserDefaultsTest : public marlox::testing::ScratchHomeTest {
protected:
    QString file() const { return home.filePath("defaults/test.conf"); }
};

TEST_F(UserDefaultsTest, TypedReadsFollowTheStoredValuesType) {
    // What is stored (nothing when invalid), and how it reads as data, as text and as a Boolean.
    const std::tuple<QVariant, std::optional<QByteArray>, std::optional<QString>, bool> cases[] = {
        {QByteArray("\x00\xff", 2), QByteArray("\x00\xff", 2), std::nullopt, false},
        {"hello", std::nullopt, "hello", false},
        {"TRUE", std::nullopt, "TRUE", true},
        {"yes", std::nullopt, "yes", true},
        {"0.5", std::nullopt, "0.5", true},
        {"0", std::nullopt, "0", false},
        {true, std::nullopt, "true", true},
        {false, std::nullopt, "false", false},
        {7, std::nullopt, "7", true},
        {QVariantList{1, 2}, std::nullopt, std::nullopt, false},
        {QVariant(), std::nullopt, std::nullopt, false},
    };
    for (const auto& [stored, data, text, boolean] : cases) {
        SCOPED_TRACE(stored.toString().toStdString());
        if (stored.isValid()) {
            UserDefaults(file()).setValue("key", stored);
        } else {
            UserDefaults(file()).remove("key");
        }
        // A second instance reads what the first saved.
        const UserDefaults defaults(file());
        EXPECT_EQ(std::tuple(defaults.contains("key"), defaults.data("key"), defaults.string("key"),
                             defaults.boolean("key")),
                  std::tuple(stored.isValid(), data, text, boolean));
    }
}

TEST_F(UserDefaultsTest, WritesOfOneTurnAreAnnouncedAtOnceAndSavedTogetherOffTheMainThread) {
    // GIVEN settings in the user's configuration folder, and every utility thread busy
    UserDefaults defaults(file());
    marlox::testing::HeldThreads utilityThreads;
    QSignalSpy changed(&defaults, &UserDefaults::valueChanged);

    // WHEN one turn of the event loop writes three keys and removes one of them
    defaults.setValue("settings.a", "one");
    defaults.setValue("settings.b", "two");
    defaults.setValue("settings.c", "three");
    defaults.remove("settings.a");

    // THEN each write is announced and read back at once, but the file is not written yet
    EXPECT_EQ(changed, QList<QVariantList>(
                           {{"settings.a"}, {"settings.b"}, {"settings.c"}, {"settings.a"}}));
    EXPECT_EQ(defaults.string("settings.c"), "three");
    EXPECT_FALSE(QFile::exists(file()));

    // AND once the turn has ended they are saved together, by a utility thread
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(file()));
    utilityThreads.letGo();
    marlox::platform::utilityThreadPool()->waitForDone();
    EXPECT_EQ(marlox::testing::readFile(file()), "[General]\nsettings.b=two\nsettings.c=three\n");
    EXPECT_EQ(UserDefaults::standardFilePath("studio.marlox.MarloxStudio"),
              home.path() + "/home/.config/studio.marlox.MarloxStudio.conf");
}

TEST_F(UserDefaultsTest, ASaveAFullDiskCannotTakeLeavesTheFileAsItWasUntilTheNextSave) {
    // GIVEN settings saved on a small file system, which is then filled to the brim
    marlox::testing::SmallFileSystem disk(home.filePath("defaults"));
    MARLOX_SKIP_WITHOUT(disk);
    const auto saved = [] {
        QCoreApplication::processEvents();
        marlox::platform::utilityThreadPool()->waitForDone();
    };
    UserDefaults defaults(file());
    defaults.setValue("settings.kept", "yes");
    saved();
    const QByteArray before = marlox::testing::readFile(file());
    disk.fill();

    // WHEN a setting changes THEN the file keeps its bytes, and nothing else is left beside it
    defaults.setValue("settings.new", QString(5000, 'n'));
    saved();
    EXPECT_EQ(marlox::testing::readFile(file()), before);
    EXPECT_EQ(QDir(home.filePath("defaults")).entryList(QDir::Files), QStringList{"test.conf"});

    // AND once room is made, the next change saves them all
    disk.makeRoom();
    defaults.setValue("settings.other", "yes");
    saved();
    EXPECT_EQ(UserDefaults(file()).string("settings.new"), QString(5000, 'n'));
}

} // namespace

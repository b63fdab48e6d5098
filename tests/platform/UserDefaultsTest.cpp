#include "platform/UserDefaults.h"

#include "platform/BackgroundWork.h"
#include "support/HeldThreads.h"
#include "support/ScratchHome.h"
#include "support/SmallFileSystem.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRect>
#include <QSettings>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace marlox::platform;
using marlox::testing::readFile;

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

TEST_F(UserDefaultsTest, TheFileIsWrittenAsQtWritesItAndReadsBackTheSame) {
    // GIVEN values of every kind the settings hold, and texts and keys a writer must escape
    const QVariantMap values{
        {"settings.path", "/home/ann/Movies/Motion Templates.localized"},
        {"settings.bookmark", QByteArray("/home/ann/\x00\xff\n\"Plugins\" \x7f", 24)},
        {"settings.on", true},
        {"settings.count", -42},
        {"settings.ratio", 0.1},
        {"settings.texts", QStringList{"a, b", " c", "@d"}},
        {"settings.one", QStringList{"only"}},
        {"settings.none", QStringList{}},
        {"settings.escaped", QString("tab\t;=,\"quote\" \\ é ✓ 😀\x01") + QChar(0) + "1"},
        {"settings.@mark", "@at"},
        {"settings.spaced", " padded "},
        {"key with spaces/and é", "sectioned"},
        {"General/kept", "apart"},
        {"settings.other", QVariantList{1, "two"}},
        {"settings.rect", QRect(1, 2, 3, 4)},
        {"settings.size", QSize(5, 6)},
        {"settings.point", QPoint(-7, 8)},
        {"settings.time", QDateTime(QDate(2026, 12, 8), QTime(9, 5), Qt::UTC)},
    };
    const QString byQt = home.filePath("defaults/qt.conf");
    {
        QSettings qt(byQt, QSettings::IniFormat);
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            qt.setValue(value.key(), value.value());
        }
    }

    // WHEN the same values are saved
    {
        UserDefaults defaults(file());
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            defaults.setValue(value.key(), value.value());
        }
    }

    // THEN the file holds the bytes Qt writes, and reads back as Qt's file does
    EXPECT_EQ(readFile(file()), readFile(byQt));
    // Read from a copy: Qt keeps the values of a file it wrote in a cache of its own.
    ASSERT_TRUE(QFile::copy(byQt, home.filePath("defaults/read.conf")));
    const UserDefaults ours(file());
    const QSettings qt(home.filePath("defaults/read.conf"), QSettings::IniFormat);
    EXPECT_EQ(qt.allKeys().size(), values.size());
    for (const QString& key : qt.allKeys()) {
        EXPECT_EQ(ours.value(key), qt.value(key)) << key.toStdString();
    }
}

TEST_F(UserDefaultsTest,
       AChangeOnADiskWithAPageOrTwoLeftKeepsTheFileWholeAndIsSavedOnceThereIsRoom) {
    marlox::testing::SmallFileSystem disk(home.filePath("defaults"));
    MARLOX_SKIP_WITHOUT(disk);
    const auto saved = [] {
        QCoreApplication::processEvents();
        marlox::platform::utilityThreadPool()->waitForDone();
        QCoreApplication::processEvents();
    };
    // GIVEN settings saved, with a long value, on a disk then left with one or two pages
    for (const qint64 left : {4096, 8192}) {
        SCOPED_TRACE(left);
        QFile::remove(file());
        UserDefaults defaults(file());
        QSignalSpy failed(&defaults, &UserDefaults::saveFailed);
        defaults.setValue("settings.path", QString(6000, 'p'));
        defaults.setValue("settings.quit", true);
        saved();
        const QByteArray before = readFile(file());
        disk.fill(left);

        // WHEN two changes come, each longer than the room left
        defaults.setValue("settings.path", QString(9000, 'q'));
        saved();
        defaults.setValue("settings.quit", false);
        saved();

        // THEN the file is whole as it was, nothing is left beside it, and the failure is told
        // once, in the system's words
        EXPECT_EQ(readFile(file()), before);
        EXPECT_EQ(QDir(home.filePath("defaults"))
                      .entryList(QDir::Files | QDir::Hidden)
                      .filter("test.conf"),
                  QStringList{"test.conf"});
        ASSERT_EQ(failed.size(), 1);
        EXPECT_TRUE(failed.first().first().toString().endsWith("No space left on device"));

        // AND once room is made, the next change saves every value
        disk.makeRoom();
        defaults.setValue("settings.mode", "list");
        saved();
        const UserDefaults reread(file());
        EXPECT_EQ(reread.string("settings.path"), QString(9000, 'q'));
        EXPECT_FALSE(reread.boolean("settings.quit"));
        EXPECT_EQ(reread.string("settings.mode"), "list");
    }
}

TEST_F(UserDefaultsTest, ASaveRemovesWhatAKilledSaveOfTheFileLeftAndNothingElse) {
    // GIVEN what a save killed at its rename left beside the settings, and the user's copies
    const QString folder = home.filePath("defaults");
    const QStringList kept{"test.conf.backup", "test.conf.Ab12Cd", ".test.conf.saving-Ab12C",
                           ".other.conf.saving-Ab12Cd"};
    for (const QString& name : kept + QStringList{".test.conf.saving-Ab12Cd"}) {
        marlox::testing::writeFile(folder + "/" + name, "left");
    }

    // WHEN a setting is saved
    UserDefaults(file()).setValue("settings.a", "one");

    // THEN only the killed save's file is gone
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QStringList expected = kept + QStringList{"test.conf"};
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
}

} // namespace

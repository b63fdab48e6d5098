#include "platform/UserDefaults.h"

#include "support/ScratchHome.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using marlox::platform::UserDefaults;
using marlox::testing::ScratchHomeTest;
using marlox::testing::writeFile;

namespace {

class UserDefaultsTest : public ScratchHomeTest {
protected:
    QString file() const { return home.filePath("defaults/test.conf"); }
};

TEST_F(UserDefaultsTest, TypedReadsFollowTheStoredValuesType) {
    struct Case {
        const char* name;
        QVariant stored;
        std::optional<QByteArray> data;
        std::optional<QString> text;
        bool boolean;
    };
    const Case cases[] = {
        {"data", QByteArray("\x00\xff", 2), QByteArray("\x00\xff", 2), std::nullopt, false},
        {"text", QString("hello"), std::nullopt, "hello", false},
        {"text true", QString("TRUE"), std::nullopt, "TRUE", true},
        {"text yes", QString("yes"), std::nullopt, "yes", true},
        {"text number", QString("0.5"), std::nullopt, "0.5", true},
        {"text zero", QString("0"), std::nullopt, "0", false},
        {"Boolean true", true, std::nullopt, "true", true},
        {"Boolean false", false, std::nullopt, "false", false},
        {"integer", 7, std::nullopt, "7", true},
        {"list", QVariantList{1, 2}, std::nullopt, std::nullopt, false},
        {"absent", QVariant(), std::nullopt, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stored.isValid()) {
            UserDefaults(file()).setValue("key", c.stored);
        } else {
            UserDefaults(file()).remove("key");
        }
        // A second instance reads what the first saved.
        const UserDefaults defaults(file());
        EXPECT_EQ(defaults.contains("key"), c.stored.isValid());
        EXPECT_EQ(defaults.data("key"), c.data);
        EXPECT_EQ(defaults.string("key"), c.text);
        EXPECT_EQ(defaults.boolean("key"), c.boolean);
    }
}

TEST_F(UserDefaultsTest, EveryWriteIsSavedAtOnceAndAnnounced) {
    UserDefaults defaults(file());
    QSignalSpy changed(&defaults, &UserDefaults::valueChanged);
    defaults.setValue("settings.a", "one");
    EXPECT_EQ(UserDefaults(file()).string("settings.a"), "one");
    defaults.remove("settings.a");
    EXPECT_FALSE(UserDefaults(file()).contains("settings.a"));
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[0][0].toString(), "settings.a");
    EXPECT_EQ(changed[1][0].toString(), "settings.a");
}

TEST_F(UserDefaultsTest, StandardFileLivesInTheUsersConfigurationFolder) {
    EXPECT_EQ(UserDefaults::standardFilePath("studio.marlox.MarloxStudio"),
              home.path() + "/home/.config/studio.marlox.MarloxStudio.conf");
}

} // namespace

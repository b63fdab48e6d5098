#include "app/WindowLayers.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace marlox::app;

namespace marlox::app {
void PrintTo(const WindowLayers& layers, std::ostream* out) {
    *out << "{alert " << layers.showsOperationAlert << ", hosts "
         << layers.showsHostApplicationOverlay << ", folders " << layers.showsFolderAccessOverlay
         << '}';
}
} // namespace marlox::app

namespace {

struct LayersCase {
    const char* name;
    std::optional<QString> message;
    QStringList hosts;
    bool pendingPackage;
    WindowLayers expected;
};

// Parameters are shown by name in test listings.
void PrintTo(const LayersCase& example, std::ostream* out) {
    *out << example.name;
}

class WindowLayersTest : public ::testing::TestWithParam<LayersCase> {};

TEST_P(WindowLayersTest, CoordinatorFieldsChooseAlertOrOverlays) {
    // GIVEN the coordinator's error, host names and parked package
    const auto& example = GetParam();
    // WHEN the window derives its layers THEN they are the expected ones
    EXPECT_EQ(windowLayers(example.message, example.hosts, example.pendingPackage),
              example.expected);
}

INSTANTIATE_TEST_SUITE_P(
    States, WindowLayersTest,
    ::testing::Values(
        LayersCase{"Nothing", std::nullopt, {}, false, {}},
        LayersCase{"ErrorWithoutHostsRaisesTheAlert",
                   "Failed to install Glow: gone",
                   {},
                   false,
                   {.showsOperationAlert = true}},
        LayersCase{"EmptyMessageStillRaisesTheAlert", "", {}, false, {.showsOperationAlert = true}},
        LayersCase{"ErrorWithHostsShowsOnlyTheHostOverlay",
                   "Please close host apps",
                   {"Final Cut Pro"},
                   false,
                   {.showsHostApplicationOverlay = true}},
        LayersCase{"HostsWithoutMessageShowNothing", std::nullopt, {"Apple Motion"}, false, {}},
        LayersCase{"ParkedPackageWithHostErrorShowsBothOverlays",
                   "Please close host apps",
                   {"Apple Motion"},
                   true,
                   {.showsHostApplicationOverlay = true, .showsFolderAccessOverlay = true}},
        LayersCase{"ParkedPackageWithFolderErrorKeepsTheAlert",
                   "Could not create the folder",
                   {},
                   true,
                   {.showsOperationAlert = true, .showsFolderAccessOverlay = true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OperationAlertMessageTest, ShowsTheMessageVerbatimOrUnknownError) {
    // GIVEN a message with markup-like text, and none
    // WHEN the alert's text is built THEN it is the message as it stands, else the fallback
    EXPECT_EQ(operationAlertMessage(QString("Failed to install <b>Glow</b>: disk full")),
              "Failed to install <b>Glow</b>: disk full");
    EXPECT_EQ(operationAlertMessage(std::nullopt), "Unknown error");
}

} // namespace

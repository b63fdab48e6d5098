#include "app/WindowLayers.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace marlox::app;

namespace {

TEST(WindowLayersTest, CoordinatorFieldsChooseAlertOrOverlays) {
    struct Case {
        const char* name;
        std::optional<QString> message;
        QStringList hosts;
        bool pendingPackage;
        WindowLayers expected;
    };
    const Case cases[] = {
        {"nothing", std::nullopt, {}, false, {}},
        {"error without hosts raises the alert",
         "Failed to install Glow: gone",
         {},
         false,
         {.showsOperationAlert = true}},
        {"empty message still raises the alert", "", {}, false, {.showsOperationAlert = true}},
        {"error with hosts shows only the host overlay",
         "Please close host apps",
         {"Final Cut Pro"},
         false,
         {.showsHostApplicationOverlay = true}},
        {"hosts without message show nothing", std::nullopt, {"Apple Motion"}, false, {}},
        {"parked package with host error shows both overlays",
         "Please close host apps",
         {"Apple Motion"},
         true,
         {.showsHostApplicationOverlay = true, .showsFolderAccessOverlay = true}},
        {"parked package with folder error keeps the alert",
         "Could not create the folder",
         {},
         true,
         {.showsOperationAlert = true, .showsFolderAccessOverlay = true}},
    };
    for (const Case& example : cases) {
        // GIVEN the coordinator's error, host names and parked package
        // WHEN the window derives its layers THEN they are the expected ones
        EXPECT_EQ(windowLayers(example.message, example.hosts, example.pendingPackage),
                  example.expected)
            << example.name;
    }
}

TEST(OperationAlertMessageTest, ShowsTheMessageVerbatimOrUnknownError) {
    // GIVEN a message with markup-like text, and none
    // WHEN the alert's text is built THEN it is the message as it stands, else the fallback
    EXPECT_EQ(operationAlertMessage(QString("Failed to install <b>Glow</b>: disk full")),
              "Failed to install <b>Glow</b>: disk full");
    EXPECT_EQ(operationAlertMessage(std::nullopt), "Unknown error");
}

} // namespace

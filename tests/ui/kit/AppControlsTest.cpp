#include "ui/kit/AppControls.h"

#include "support/WidgetTesting.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"

#include <QGridLayout>
#include <QTest>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class AppControlsTest : public WidgetTest {};

// Return is the overlay card's keyboard test; a click and Space are Qt's.
TEST_F(AppControlsTest, ButtonAnswersTheKeypadsEnter) {
    AppButton button("Allow Access", AppButton::Look::borderedProminent);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    grab(button);
    button.setFocus();
    QTest::keyClick(&button, Qt::Key_Enter);
    EXPECT_TRUE(waitUntil([&] { return clicks == 1; }, std::chrono::seconds(2)));
}

// Both button looks in three sizes, enabled, pressed and disabled, on the section background.
TEST_F(AppControlsTest, ControlsLookAsChecked) {
    auto* sheet = new AppSectionBackground;
    auto* grid = new QGridLayout(sheet);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setSpacing(10);
    int row = 0;
    for (const AppButton::Look look :
         {AppButton::Look::bordered, AppButton::Look::borderedProminent}) {
        int column = 0;
        for (const AppControlSize size :
             {AppControlSize::small, AppControlSize::regular, AppControlSize::large}) {
            grid->addWidget(new AppButton("Reinstall", look, size), row, column++);
        }
        auto* pressed = new AppButton("Pressed", look);
        pressed->setDown(true);
        grid->addWidget(pressed, row, column++);
        auto* disabled = new AppButton("Disabled", look);
        disabled->setEnabled(false);
        grid->addWidget(disabled, row, column++);
        ++row;
    }
    EXPECT_TRUE(matchesGolden(grab(*sheet), goldenPath("controls")));
    delete sheet;
}

} // namespace

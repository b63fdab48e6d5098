#include "ui/kit/DarkControlStyle.h"

#include "support/WidgetTesting.h"
#include "ui/kit/AppTheme.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QScrollBar>
#include <QStyleOptionSlider>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class DarkControlStyleTest : public WidgetTest {};

// A scroll bar that tells where the style places its handle.
class ProbedScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

    // The handle's rectangle in the coordinates of an ancestor.
    QRect handleIn(const QWidget& root) const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()
            ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this)
            .translated(mapTo(&root, QPoint(0, 0)));
    }
};

TEST_F(DarkControlStyleTest, ScrollBarDrawsOnlyAThinHandleThatReachesBothEnds) {
    const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (const Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
        for (const int value : {0, 300}) {
            SCOPED_TRACE(std::to_string(orientation) + " at " + std::to_string(value));
            const bool vertical = orientation == Qt::Vertical;
            // GIVEN a scroll bar over 300 more than its page, scrolled to one end
            auto* bar = new ProbedScrollBar(orientation);
            bar->setRange(0, 300);
            bar->setPageStep(100);
            bar->setValue(value);
            bar->setFixedSize(vertical ? QSize(extent, 200) : QSize(200, extent));
            Backdrop backdrop(bar, AppPalette::canvas());

            // WHEN it is drawn
            const QImage picture = grab(backdrop);
            SaveGrabOnFailure saved(backdrop, "scroll-bar");

            // THEN all its ink lies in the handle, and is at most half as thick as the bar
            const QRect bounds = geometryIn(backdrop, *bar);
            const QRect ink = inkBounds(picture, AppPalette::canvas(), 8);
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_TRUE(bar->handleIn(backdrop).contains(ink));
            EXPECT_LE(vertical ? ink.width() : ink.height(), extent / 2 + 1);
            // AND the handle comes to within a few points of the bar's end, where an arrow
            // button would stand
            const int gap =
                value == 0
                    ? (vertical ? ink.top() - bounds.top() : ink.left() - bounds.left())
                    : (vertical ? bounds.bottom() - ink.bottom() : bounds.right() - ink.right());
            EXPECT_LE(gap, 4);
        }
    }
}

// What the style draws itself, on a card: scroll bars at rest and hovered, check boxes and a combo
// box. The screens' goldens show their whole content, so no scroll bar.
TEST_F(DarkControlStyleTest, ControlsLookAsChecked) {
    const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const auto scrollBar = [extent](Qt::Orientation orientation) {
        auto* bar = new QScrollBar(orientation);
        bar->setRange(0, 300);
        bar->setPageStep(100);
        bar->setValue(100);
        bar->setFixedSize(orientation == Qt::Vertical ? QSize(extent, 110) : QSize(220, extent));
        return bar;
    };
    auto* sheet = new QWidget;
    auto* grid = new QGridLayout(sheet);
    QScrollBar* hovered = scrollBar(Qt::Vertical);
    grid->addWidget(scrollBar(Qt::Vertical), 0, 0, 4, 1);
    grid->addWidget(hovered, 0, 1, 4, 1);
    auto* checked = new QCheckBox("Quit App On Close");
    checked->setChecked(true);
    auto* disabled = new QCheckBox("Launch At Login");
    disabled->setEnabled(false);
    auto* combo = new QComboBox;
    combo->addItem("General app issue");
    grid->addWidget(new QCheckBox("Include App Logs"), 0, 2);
    grid->addWidget(checked, 1, 2);
    grid->addWidget(disabled, 2, 2);
    grid->addWidget(combo, 3, 2);
    grid->addWidget(scrollBar(Qt::Horizontal), 4, 0, 1, 3);
    Backdrop backdrop(sheet, AppPalette::panel(), 12);
    grab(backdrop);
    hoverEnter(*hovered);
    EXPECT_TRUE(matchesGolden(picture(backdrop), goldenPath("dark-controls")));
}

// The box is in the golden above; its list is a window of its own.
TEST_F(DarkControlStyleTest, TheComboBoxsPopupListIsDark) {
    // GIVEN a combo box of two entries on the window's background
    auto* combo = new QComboBox;
    combo->addItems({"All Categories", "Color"});
    Backdrop backdrop(combo, AppPalette::canvas(), 10);
    grab(backdrop);

    // WHEN its list opens THEN the list is dark too: only its texts are light
    combo->showPopup();
    settle();
    QWidget* popup = combo->view()->window();
    ASSERT_TRUE(popup->isVisible());
    const QImage list = picture(*popup);
    int light = 0;
    for (int y = 0; y < list.height(); ++y) {
        for (int x = 0; x < list.width(); ++x) {
            light += qGray(list.pixel(x, y)) > 160 ? 1 : 0;
        }
    }
    EXPECT_LT(light, list.width() * list.height() / 5)
        << saveTestImage(list, "popup").toStdString();
    combo->hidePopup();
}

} // namespace

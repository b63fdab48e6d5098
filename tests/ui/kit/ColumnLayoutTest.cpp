#include "ui/kit/ColumnLayout.h"

#include "support/LongTexts.h"
#include "support/WidgetTesting.h"

#include <QVBoxLayout>

#include <algorithm>
#include <vector>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

class ColumnLayoutTest : public WidgetTest {};

// A card whose layout counts how often it is asked its height at a width.
struct CountingCard : QWidget {
    struct Layout : QVBoxLayout {
        using QVBoxLayout::QVBoxLayout;
        int heightForWidth(int width) const override {
            ++asked;
            return QVBoxLayout::heightForWidth(width);
        }
        mutable int asked = 0;
    };
    CountingCard() {
        layout->addWidget(plainLabel(longNameOfManyWords, 17, QFont::DemiBold, Qt::white, true));
    }
    Layout* layout = new Layout(this);
};

TEST_F(ColumnLayoutTest, ItemsStandInOrderOneBelowTheOtherAsTallAsTheirTextsAtTheWidth) {
    // GIVEN a long name inserted between two short ones, and the last moved to the top
    QWidget column;
    auto* layout = new ColumnLayout(&column, 12);
    FittingLabel* labels[] = {plainLabel("First", 13, QFont::Normal, Qt::white),
                              plainLabel(longNameOfManyWords, 17, QFont::DemiBold, Qt::white, true),
                              plainLabel("Last", 13, QFont::Normal, Qt::white)};
    auto& [first, name, last] = labels;
    layout->addWidget(first);
    layout->addWidget(last);
    layout->insertWidget(1, name);
    layout->insertWidget(0, last);

    for (const int width : {300, 600}) {
        SCOPED_TRACE(width);
        grab(column, {width, 400});
        // THEN each spans the width, as tall as its lines there, 12 points below the one above
        int top = 0;
        for (FittingLabel* label : {last, first, name}) {
            EXPECT_EQ(label->geometry(), QRect(0, top, width, label->heightForWidth(width)));
            top += label->height() + 12;
        }
        EXPECT_EQ(layout->heightForWidth(width), top - 12);
    }
    // AND the name wraps to more lines in the narrower column
    EXPECT_GT(name->heightForWidth(300), name->heightForWidth(600));
}

TEST_F(ColumnLayoutTest, ACardAddedLaysOutThatCardAloneNotTheOthers) {
    // GIVEN a column of cards in a screen's stack, as a screen holds its list
    QWidget screen;
    auto* stack = new QVBoxLayout(&screen);
    auto* list = new QWidget;
    auto* layout = new ColumnLayout(list, 12);
    stack->addWidget(list);
    stack->addStretch(1);
    std::vector<CountingCard*> cards(20);
    for (CountingCard*& card : cards) {
        card = new CountingCard;
        layout->addWidget(card);
    }
    grab(screen, {500, 3000});

    // WHEN a card is added in the middle
    for (CountingCard* card : cards) {
        card->layout->asked = 0;
    }
    auto* added = new CountingCard;
    layout->insertWidget(10, added);
    settle();

    // THEN it takes its place and only its own layout is asked its height
    EXPECT_EQ(added->y(), cards[9]->geometry().bottom() + 1 + 12);
    EXPECT_GT(added->layout->asked, 0);
    EXPECT_EQ(std::count_if(cards.begin(), cards.end(),
                            [](const CountingCard* card) { return card->layout->asked > 0; }),
              0);
}

} // namespace

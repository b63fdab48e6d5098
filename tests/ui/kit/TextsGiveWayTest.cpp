#include "support/LongTexts.h"
#include "support/WidgetTesting.h"
#include "ui/kit/AppAlert.h"
#include "ui/kit/AppControls.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/ScreenParts.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QTest>

#include <cmath>
#include <memory>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

const QString checksumMismatch = "Downloaded artifact checksum mismatch. Expected " +
                                 QString("0123456789abcdef").repeated(4) + ", got " +
                                 QString("fedcba9876543210").repeated(4) + ".";

class TextsGiveWayTest : public WidgetTest {
protected:
    static QString withoutSpaces(QString text) { return text.remove(u' ').remove(u'\n'); }
    static bool showsHighlight(const QImage& picture, const QColor& highlight) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (colorNear(picture.pixelColor(x, y), highlight, 24)) {
                    return true;
                }
            }
        }
        return false;
    }
};

TEST_F(TextsGiveWayTest, ALongTextAsksForNoMoreThanTheRoomOfAShortWord) {
    for (const QString& name : longNames) {
        SCOPED_TRACE(name.toStdString());
        // GIVEN a long name on one line, wrapping, cut to two lines, and in a picker
        const std::unique_ptr<FittingLabel> labels[] = {
            std::unique_ptr<FittingLabel>(plainLabel(name, 18, QFont::DemiBold, Qt::white)),
            std::unique_ptr<FittingLabel>(plainLabel(name, 18, QFont::DemiBold, Qt::white, true)),
            std::make_unique<FittingLabel>(name, appFont(18, QFont::DemiBold), Qt::white, 2)};
        AppPicker picker;
        picker.addItem(name);
        AppPicker shortPicker;
        shortPicker.addItem("General");

        // THEN each asks for a short word's room at least, and the picker for less than it
        // takes with a short entry; each still would like its whole text
        const int shortWord =
            static_cast<int>(std::ceil(shortWordWidth(appFont(18, QFont::DemiBold))));
        for (const auto& label : labels) {
            EXPECT_LE(label->minimumSizeHint().width(), shortWord);
            EXPECT_GT(label->sizeHint().width(), 4 * shortWord);
        }
        EXPECT_LT(picker.minimumSizeHint().width(), shortPicker.sizeHint().width());
        EXPECT_GT(picker.sizeHint().width(), 2 * shortPicker.sizeHint().width());
    }
}

TEST_F(TextsGiveWayTest, OnlyAWrappingTextHasAHeightForItsWidthAndOneLineEndsInAnEllipsis) {
    // GIVEN a long name on one line and the same name wrapping
    const std::unique_ptr<FittingLabel> oneLine(
        plainLabel(longNameOfManyWords, 17, QFont::DemiBold, Qt::white));
    const std::unique_ptr<FittingLabel> wrapping(
        plainLabel(longNameOfManyWords, 17, QFont::DemiBold, Qt::white, true));

    // THEN a layout need not ask the line its height at each width, only the wrapping text
    EXPECT_FALSE(oneLine->hasHeightForWidth());
    EXPECT_TRUE(wrapping->hasHeightForWidth());
    // AND at a narrow width the line is one line high and cut with an ellipsis
    EXPECT_EQ(oneLine->heightForWidth(150), oneLine->minimumSizeHint().height());
    const QStringList lines = oneLine->shownLines(150);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().endsWith(QChar(0x2026)));
    EXPECT_GT(wrapping->heightForWidth(150), 2 * oneLine->heightForWidth(150));
}

TEST_F(TextsGiveWayTest, AWrappingTextIsAsTallAsTheLinesItShowsAtEveryWidth) {
    // GIVEN wrapping texts: long names, one starting with spaces, and lines of their own
    for (const QString& text : {longNameOfManyWords, longNameWithoutSpace, "   " + longName,
                                longName + "\n" + longVersion, longName + "\n"}) {
        SCOPED_TRACE(text.toStdString());
        const std::unique_ptr<FittingLabel> label(
            plainLabel(text, 17, QFont::DemiBold, Qt::white, true));
        label->setPreferredWidthLimit(QWIDGETSIZE_MAX);
        const int widest = label->sizeHint().width();
        const qreal lineSpacing = QFontMetricsF(label->font()).lineSpacing();
        // THEN about as wide as its widest line, and narrower, its height is that of its lines
        for (const int width : {widest - 2, widest - 1, widest, widest + 1, widest / 2, 120}) {
            SCOPED_TRACE(width);
            const qsizetype lines = label->shownLines(width).size();
            EXPECT_EQ(label->heightForWidth(width),
                      static_cast<int>(std::ceil(lineSpacing * static_cast<qreal>(lines))));
        }
    }
}

TEST_F(TextsGiveWayTest, AWrappingTextAboutAsWideAsItsLineIsAsTallAsItsLinesInAnyScript) {
    // GIVEN short names in Latin, Chinese, Hebrew, Arabic and both among Latin: the layout
    // shapes each script's run on its own
    for (const QString& text :
         {QStringLiteral("Cinematic Letterbox"), QStringLiteral("光晕 效果 插件"),
          QStringLiteral("שלום עולם"), QStringLiteral("مرحبا بالعالم"),
          QStringLiteral("שלום Glow مرحبا"), QStringLiteral("Glow مرحبا\nשלום Halo")}) {
        SCOPED_TRACE(text.toStdString());
        const std::unique_ptr<FittingLabel> label(
            plainLabel(text, 17, QFont::DemiBold, Qt::white, true));
        const int widest = label->sizeHint().width();
        const qreal lineSpacing = QFontMetricsF(label->font()).lineSpacing();
        // THEN it asks for a width that keeps its own lines, and at each width about that its
        // height is that of the lines it shows
        EXPECT_EQ(label->shownLines(widest).size(), text.count(u'\n') + 1);
        for (int width = widest - 3; width <= widest + 40; ++width) {
            SCOPED_TRACE(width);
            const qsizetype lines = label->shownLines(width).size();
            EXPECT_EQ(label->heightForWidth(width),
                      static_cast<int>(std::ceil(lineSpacing * static_cast<qreal>(lines))));
        }
    }
}

TEST_F(TextsGiveWayTest, APickersListOpensInsideItsWindowWhateverItsEntries) {
    // GIVEN a picker of long names near the right edge of a small window
    QWidget window;
    auto* picker = new AppPicker(&window);
    picker->addItems(longNames);
    picker->setGeometry(220, 250, 160, 28);
    showWhole(window, QSize(400, 300));

    // WHEN its list opens THEN the list lies inside the window
    picker->showPopup();
    settle();
    QWidget* list = picker->view()->window();
    ASSERT_TRUE(list->isVisible());
    const QRect bounds(window.mapToGlobal(QPoint(0, 0)), window.size());
    // The offscreen platform shifts a window by a pretend frame of a few pixels.
    const QRect tolerated = bounds.adjusted(-4, -4, 4, 4);
    EXPECT_LE(list->width(), bounds.width());
    EXPECT_TRUE(tolerated.contains(list->geometry()))
        << list->x() << "," << list->y() << " " << list->width() << "x" << list->height();
    picker->hidePopup();
}

TEST_F(TextsGiveWayTest, AWordTooLongForItsLineBreaksInsideAndLosesNoCharacter) {
    for (const QString& text : {longNameWithoutSpace, checksumMismatch, longNameOfManyWords}) {
        SCOPED_TRACE(text.toStdString());
        const std::unique_ptr<FittingLabel> label(
            plainLabel(text, 13, QFont::Normal, Qt::white, true));
        const QStringList lines = label->shownLines(150);
        ASSERT_GT(lines.size(), 2);
        for (const QString& line : lines) {
            EXPECT_LE(QFontMetricsF(label->font()).horizontalAdvance(line), 150)
                << line.toStdString();
        }
        EXPECT_EQ(withoutSpaces(lines.join(QString())), withoutSpaces(text));
    }
}

TEST_F(TextsGiveWayTest, ALineLimitShowsTheFirstLinesTheLastEndingInAnEllipsisWhenMoreFollows) {
    const QString ellipsis(QChar(0x2026));
    const struct {
        QString text;
        int lines;
        QStringList shown;
    } cases[] = {
        {"Adds a despill preview.\nFixes edge chatter.\nSpeeds up the matte.",
         2,
         {"Adds a despill preview.", "Fixes edge chatter." + ellipsis}},
        {"Adds a despill preview.\r\nFixes edge chatter.",
         2,
         {"Adds a despill preview.", "Fixes edge chatter."}},
        {"Adds a despill preview.\nFixes edge chatter.\n\n",
         2,
         {"Adds a despill preview.", "Fixes edge chatter."}},
        {"Countdown Pro\nversion two", 1, {"Countdown Pro" + ellipsis}},
    };
    for (const auto& [text, lines, shown] : cases) {
        SCOPED_TRACE(text.toStdString());
        const FittingLabel label(text, appFont(12, QFont::Normal), Qt::white, lines);
        EXPECT_EQ(label.shownLines(600), shown);
    }
}

TEST_F(TextsGiveWayTest, ASelectionCopiesTheTextAsWrittenWhereverItsLinesBreak) {
    // GIVEN a selectable path of long words, shown on several lines
    const QString path = "/Users/editor/Applications/" + longNameWithoutSpace + "/" + longName;
    FittingLabel label(path, appFont(11, QFont::Normal), Qt::white);
    label.setSelectable(true);
    grab(label, {160, label.heightForWidth(160)});
    ASSERT_GT(label.shownLines(160).size(), 3);

    // WHEN all is selected and copied THEN the clipboard holds the path
    QTest::keyClick(&label, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&label, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), path);

    // WHEN the first line is double-clicked THEN the word it starts is selected, to its space
    QTest::mouseDClick(&label, Qt::LeftButton, {}, QPoint(8, 4));
    EXPECT_EQ(label.selectedText(),
              "/Users/editor/Applications/" + longNameWithoutSpace + "/Cinematic");
}

TEST_F(TextsGiveWayTest, CopyGivesTheWholeTextAsGivenWhereOnlyItsBeginningIsLaidOut) {
    // GIVEN a selectable text far longer than a label lays out, its lines ending in "\r\n"
    const QString text = QStringLiteral("A line of a long log excerpt.\r\n").repeated(4000);
    ASSERT_GT(text.size(), 100'000);
    FittingLabel label(text, appFont(11, QFont::Normal), Qt::white);
    label.setSelectable(true);

    // WHEN all of it is selected and copied
    QTest::keyClick(&label, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&label, Qt::Key_C, Qt::ControlModifier);

    // THEN the clipboard holds every character of it, line breaks as written
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(copied.size(), text.size());
    EXPECT_TRUE(copied == text);
}

TEST_F(TextsGiveWayTest, ANewTextDropsTheSelectionMadeInTheOldOne) {
    // GIVEN a selectable message, all of it selected and shown highlighted
    FittingLabel label(checksumMismatch, appFont(13, QFont::Normal), Qt::white);
    label.setSelectable(true);
    QTest::keyClick(&label, Qt::Key_A, Qt::ControlModifier);
    const QColor highlight = label.palette().color(QPalette::Highlight);
    ASSERT_TRUE(showsHighlight(grab(label, {320, label.heightForWidth(320)}), highlight));

    // WHEN it is given another message, as a reused alert is
    label.setText("Removal failed: the plug-in folder could not be moved to the Trash.");

    // THEN nothing of it is selected, nor shown highlighted
    EXPECT_EQ(label.selectedText(), QString());
    EXPECT_FALSE(showsHighlight(grab(label, {320, label.heightForWidth(320)}), highlight));
}

TEST_F(TextsGiveWayTest, ASelectableTextsMenuOpensWithoutWaitingAndSelectsAll) {
    // GIVEN a selectable path, shown
    FittingLabel label(longNameOfManyWords, appFont(11, QFont::Normal), Qt::white);
    label.setSelectable(true);
    grab(label, {160, label.heightForWidth(160)});

    // WHEN its menu is asked for THEN it opens and the call returns at once
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(8, 4),
                              label.mapToGlobal(QPoint(8, 4)));
    QCoreApplication::sendEvent(&label, &request);
    auto* menu = label.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());

    // AND its Select All selects the whole text
    const QList<QAction*> actions = menu->actions();
    const auto selectAll = std::find_if(actions.cbegin(), actions.cend(), [](QAction* action) {
        return action->text() == "Select All";
    });
    ASSERT_NE(selectAll, actions.cend());
    (*selectAll)->trigger();
    EXPECT_EQ(label.selectedText(), longNameOfManyWords);
    menu->close();
}

TEST_F(TextsGiveWayTest, TextsAndPillsShareARowAndAShortPillKeepsItsSize) {
    // GIVEN a row of a long name, a short pill and a pill of a long version, 400 points wide
    QWidget row;
    auto* layout = horizontalLayout(&row, 10);
    auto* name = plainLabel(longNameOfManyWords, 18, QFont::DemiBold, Qt::white, true);
    auto* shortPill = new AppPillLabel("Installed v0.1", AppPillTone::neutral, std::nullopt,
                                       AppPillSize::compact);
    auto* longPill = new AppPillLabel("Latest v" + longVersion, AppPillTone::accent, std::nullopt,
                                      AppPillSize::compact);
    for (QWidget* item : {static_cast<QWidget*>(name), static_cast<QWidget*>(shortPill),
                          static_cast<QWidget*>(longPill)}) {
        addSharingRoom(layout, item);
    }
    layout->addStretch();
    grab(row, {400, 200});

    // THEN the short pill is whole, the long one asks for no more than its widest title, and it
    // shares the rest with the name, which wraps
    EXPECT_EQ(shortPill->width(), shortPill->sizeHint().width());
    const int padding = static_cast<int>(2 * pillMetrics(AppPillSize::compact).horizontalPadding);
    EXPECT_LE(longPill->sizeHint().width(), AppPillLabel::widestTitle + padding + 1);
    EXPECT_LT(longPill->width(), longPill->sizeHint().width());
    EXPECT_NEAR(longPill->width(), name->width(), 2);
    EXPECT_LE(geometryIn(row, *longPill).right(), 400);
}

TEST_F(TextsGiveWayTest, AnAlertShowsEveryDigitOfTwoDigestsWithinItsWidth) {
    AppAlert alert("Operation Failed", AppAlert::Icon::warning, nullptr);
    alert.setMessage(checksumMismatch);
    alert.show();
    settle();
    auto* message = alert.findChild<FittingLabel*>("alertMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_LE(geometryIn(alert, *message).right(), alert.width());
    const QStringList lines = message->shownLines(message->width());
    EXPECT_EQ(withoutSpaces(lines.join(QString())), withoutSpaces(checksumMismatch));
    EXPECT_GE(message->height(), lines.size() * QFontMetricsF(message->font()).lineSpacing());
}

} // namespace

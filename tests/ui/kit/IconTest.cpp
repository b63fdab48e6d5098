#include "platform/Bundle.h"
#include "support/QtPrinters.h"
#include "support/ScratchBundle.h"
#include "support/WidgetTesting.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/StudioIcon.h"
#include "ui/kit/SymbolIcon.h"

#include <QDir>
#include <QHBoxLayout>

#include <memory>

using namespace marlox::testing;
using namespace marlox::ui;

namespace {

const QColor white = QColor::fromRgbF(1, 1, 1);

// A row of widgets on the darkest background, 8 points apart and from the edge.
std::unique_ptr<Backdrop> rowOf(const QList<QWidget*>& widgets) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (QWidget* widget : widgets) {
        layout->addWidget(widget);
    }
    return std::make_unique<Backdrop>(row, AppPalette::canvas(), 8);
}

class IconTest : public WidgetTest {
protected:
    // Icon bundles of our own: one, with the given files under its resource folder.
    QList<marlox::platform::Bundle> iconBundlesWith(const QMap<QString, QByteArray>& files) {
        return {scratchBundle(home, {}, "Scratch.app", files)};
    }
    static QByteArray builtFile(const QString& relative) {
        return readFile(builtBundlePath() + "/Contents/Resources/" + relative);
    }
};

TEST_F(IconTest, RewritesFillStyleStrokeAndStrokeWidthAttributes) {
    struct Case {
        const char* name;
        QString markup;
        QString expected;
    };
    const Case cases[] = {
        {"root of a line icon", R"(<svg fill="none" stroke="currentColor" stroke-width="2">)",
         R"(<svg fill="none" stroke="#FFFFFF" stroke-width="1.85">)"},
        {"capital FILL with spaces", R"(<path FILL = "red"/>)", R"(<path fill="#FFFFFF"/>)"},
        {"None stays", R"(<path fill="None"/>)", R"(<path fill="None"/>)"},
        {"a word merely starting with none", R"(<path fill="nonesuch"/>)",
         R"(<path fill="#FFFFFF"/>)"},
        {"empty fill", R"(<path fill=""/>)", R"(<path fill="#FFFFFF"/>)"},
        {"stroke none is tinted", R"(<path stroke="none"/>)", R"(<path stroke="#FFFFFF"/>)"},
        {"style with opacity and fill collapses", R"(<g style="opacity:0.5; fill : red">)",
         R"(<g style="fill:#FFFFFF;">)"},
        {"style fill none is replaced too", R"(<g style="fill:none;stroke:red">)",
         R"(<g style="fill:#FFFFFF;">)"},
        {"style without fill stays", R"(<g style="stroke:red">)", R"(<g style="stroke:red">)"},
        {"single quotes stay", R"(<path fill='red' stroke='red'/>)",
         R"(<path fill='red' stroke='red'/>)"},
        {"names ending in the attribute", R"(<path data-fill="a" data-stroke="b"/>)",
         R"(<path data-fill="#FFFFFF" data-stroke="#FFFFFF"/>)"},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        EXPECT_EQ(recolorIconMarkup(testCase.markup, "#FFFFFF", 1.85), testCase.expected);
    }
}

TEST_F(IconTest, StrokeWidthIsTheShortestNumberWithAPointForWholeNumbers) {
    const std::pair<double, const char*> cases[] = {{2, "2.0"},
                                                    {1.85, "1.85"},
                                                    {1.0 / 3, "0.3333333333333333"},
                                                    {0.0001, "0.0001"},
                                                    {1e21, "1000000000000000000000.0"}};
    for (const auto& [width, text] : cases) {
        EXPECT_EQ(strokeWidthText(width), QString(text)) << width;
    }
    EXPECT_EQ(recolorIconMarkup(R"(<svg stroke-width="1">)", "#000000", 2),
              R"(<svg stroke-width="2.0">)");
}

TEST_F(IconTest, TintTextTruncatesAndClampsEachComponent) {
    const std::pair<QColor, const char*> cases[] = {
        {QColor::fromRgbF(1, 0.5f, 0), "#FF7F00"},
        {QColor::fromRgbF(1.5f, -0.25f, 0.5f), "#FF007F"},
        {QColor::fromHsvF(0, 1, 1, 0.5f), "#FF0000"},
        {QColor(), "#FFFFFF"},
    };
    for (const auto& [color, text] : cases) {
        EXPECT_EQ(hexColorString(color), QString(text)) << qPrintable(color.name());
    }
}

TEST_F(IconTest, GlyphsAreMadeOnlyFromTheirExactRawValue) {
    EXPECT_EQ(studioGlyphFromRawValue("house"), StudioGlyph::home);
    EXPECT_EQ(studioGlyphFromRawValue("circle-alert"), StudioGlyph::warning);
    // Another letter case, the case name, a file name and nothing give no glyph.
    for (const char* text : {"House", "home", "warning", "house.svg", ""}) {
        EXPECT_EQ(studioGlyphFromRawValue(text), std::nullopt) << text;
    }
    for (StudioGlyph glyph : allStudioGlyphs()) {
        EXPECT_EQ(studioGlyphFromRawValue(rawValue(glyph)), glyph) << rawValue(glyph).toStdString();
    }
}

TEST_F(IconTest, IconsFolderWinsOverLucideFolderWhichWinsOverTheRoot) {
    const auto bundle = iconBundlesWith({{"Icons/house.svg", "icons"},
                                         {"Icons/lucide/house.svg", "lucide"},
                                         {"house.svg", "root"},
                                         {"Icons/lucide/user.svg", "lucide"},
                                         {"user.svg", "root"},
                                         {"search.svg", "root"}});
    const auto contents = [&bundle](StudioGlyph glyph) {
        const std::optional<QString> path = iconFilePath(glyph, bundle);
        return path ? readFile(*path) : QByteArray("none");
    };
    EXPECT_EQ(contents(StudioGlyph::home), "icons");
    EXPECT_EQ(contents(StudioGlyph::user), "lucide");
    EXPECT_EQ(contents(StudioGlyph::search), "root");
    EXPECT_EQ(contents(StudioGlyph::settings), "none");
}

TEST_F(IconTest, FileThatIsNotUtf8GivesNoMarkup) {
    const auto bundle = iconBundlesWith(
        {{"Icons/house.svg", "<svg fill=\"\xff\xfe\"/>"}, {"Icons/user.svg", "<svg/>"}});
    EXPECT_EQ(tintedSVGMarkup(StudioGlyph::home, white, 2, bundle), std::nullopt);
    EXPECT_EQ(tintedSVGMarkup(StudioGlyph::user, white, 2, bundle), QString("<svg/>"));
}

TEST_F(IconTest, MissingIconFileDrawsTheDashedQuestionMarkInTheTint) {
    const QString fallback = "Icons/symbols/questionmark.square.dashed.svg";
    const auto bundle = iconBundlesWith({{fallback, builtFile(fallback)}});
    const QColor amber = AppPalette::warning();
    StudioIcon missing(StudioGlyph::home, 24, amber, 2, bundle);
    SymbolIcon expected("questionmark.square.dashed", 24, amber, QFont::Normal);
    const QImage picture = grab(missing);
    SaveGrabOnFailure save(missing, "missing");
    EXPECT_EQ(picture.size(), QSize(24, 24));
    EXPECT_TRUE(sameImage(picture, grab(expected)));
}

TEST_F(IconTest, MarkupThatDoesNotParseDrawsAnEmptySquare) {
    const auto bundle = iconBundlesWith({{"Icons/house.svg", "<svg><path d='M0 0"}});
    StudioIcon broken(StudioGlyph::home, 20, white, 2, bundle);
    const QImage picture = grab(broken);
    EXPECT_EQ(picture.size(), QSize(20, 20));
    EXPECT_TRUE(isBlank(picture));
}

TEST_F(IconTest, GlyphSetAt24PointsLooksAsChecked) {
    QList<QWidget*> icons;
    for (StudioGlyph glyph : allStudioGlyphs()) {
        icons.append(new StudioIcon(glyph, 24, white, 2));
    }
    const std::unique_ptr<Backdrop> row = rowOf(icons);
    EXPECT_TRUE(matchesGolden(grab(*row), goldenPath("glyphs-24")));
}

TEST_F(IconTest, EveryBundledSymbolFileIsNamed) {
    QStringList files;
    for (const QString& file : QDir(builtBundlePath() + "/Contents/Resources/Icons/symbols")
                                   .entryList({"*.svg"}, QDir::Files)) {
        files.append(file.chopped(4));
    }
    QStringList names = systemSymbolNames();
    files.sort();
    names.sort();
    EXPECT_EQ(files, names);
}

TEST_F(IconTest, SymbolSetLooksAsChecked) {
    QList<QWidget*> regular, semibold;
    for (const QString& name : systemSymbolNames()) {
        regular.append(new SymbolIcon(name, 24, white, QFont::Normal));
        semibold.append(new SymbolIcon(name, 16, AppPalette::accent(), QFont::DemiBold));
    }
    auto* sheet = new QWidget;
    auto* rows = new QVBoxLayout(sheet);
    rows->setContentsMargins(0, 0, 0, 0);
    for (const auto& row : {regular.mid(0, 17), regular.mid(17), semibold}) {
        rows->addWidget(rowOf(row).release());
    }
    Backdrop backdrop(sheet, AppPalette::canvas());
    EXPECT_TRUE(matchesGolden(grab(backdrop), goldenPath("symbols")));
}

TEST_F(IconTest, UnknownSymbolOrPathLikeNameDrawsNothing) {
    for (const char* name : {"no.such.symbol", "../symbols/trash", ""}) {
        EXPECT_EQ(symbolMarkup(name, white, QFont::Normal), std::nullopt) << name;
        SymbolIcon icon(name, 16, white);
        EXPECT_TRUE(isBlank(grab(icon))) << name;
    }
}

} // namespace

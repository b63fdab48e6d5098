#include "ui/shared/ThumbnailLookup.h"

#include "platform/Bundle.h"
#include "support/CatalogFixtures.h"
#include "support/InstallTestSupport.h"
#include "support/ScratchHome.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>

using namespace marlox::ui;
using marlox::testing::ScratchHomeTest;
using marlox::testing::testPackage;

namespace {

class ThumbnailLookupTest : public ScratchHomeTest {};

TEST_F(ThumbnailLookupTest, ParsableURLWinsElseTheNameInTheBundleThumbnailsFolder) {
    const QString resources = marlox::platform::mainBundle().resourcePath();
    struct Case {
        std::optional<QString> url;
        std::optional<QString> name;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"  https://example.com/a.png \n", "countdown-pro", "https://example.com/a.png"},
        {"   ", "countdown-pro", "file://" + resources + "/Thumbnails/countdown-pro.png"},
        {"http://exa mple.com/%zz", " countdown-pro ",
         "file://" + resources + "/Thumbnails/countdown-pro.png"},
        {std::nullopt, "manifest", "file://" + resources + "/manifest.json"},
        // A name no file carries still points into the thumbnails folder.
        {std::nullopt, "no-such-picture", "file://" + resources + "/Thumbnails/no-such-picture"},
        {std::nullopt, " \t", std::nullopt},
        {std::nullopt, std::nullopt, std::nullopt},
        {std::nullopt, "../Info", std::nullopt},
        {std::nullopt, "/etc/passwd", std::nullopt},
    };
    for (const Case& row : cases) {
        auto package = testPackage("p");
        package.thumbnailURL = row.url;
        package.thumbnailName = row.name;
        SCOPED_TRACE(row.url.value_or("no url").toStdString() + " / " +
                     row.name.value_or("no name").toStdString());
        const auto url = resolvedThumbnailURL(package);
        EXPECT_EQ(url ? std::optional(url->toString()) : std::nullopt, row.expected);
    }
}

// The bounds of the white on a picture: the built-in thumbnails' titles.
QRect titleBounds(const QImage& picture) {
    QRect title;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            if (std::min({pixel.red(), pixel.green(), pixel.blue()}) > 235) {
                title |= QRect(x, y, 1, 1);
            }
        }
    }
    return title;
}

// What's New on Home crops a thumbnail to its centred square, the featured card to about 4:3 and
// the detail sheet to a band about 8:3 wide, each keeping the middle: the built-in pictures keep
// their title inside the tightest crop either way.
TEST_F(ThumbnailLookupTest, BuiltInThumbnailsKeepTheirTitleInsideTheCentredSquareAndTheSheetsBand) {
    const QSize crops[] = {{1, 1}, {8, 3}};
    int checked = 0;
    for (const marlox::catalog::PackageManifest& package : marlox::testing::builtInPackages()) {
        if (!package.thumbnailName) {
            continue;
        }
        SCOPED_TRACE(package.thumbnailName->toStdString());
        const QImage picture(resolvedThumbnailURL(package)->toLocalFile());
        ASSERT_FALSE(picture.isNull());
        const QRect title = titleBounds(picture);
        EXPECT_FALSE(title.isEmpty());
        for (const QSize& ratio : crops) {
            const QSize kept = ratio.scaled(picture.size(), Qt::KeepAspectRatio);
            QRect crop(QPoint(), kept);
            crop.moveCenter(picture.rect().center());
            EXPECT_TRUE(crop.contains(title))
                << ratio.width() << ":" << ratio.height() << " crop " << crop.left() << ".."
                << crop.right() << " x " << crop.top() << ".." << crop.bottom() << ", title "
                << title.left() << ".." << title.right() << " x " << title.top() << ".."
                << title.bottom();
        }
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

} // namespace

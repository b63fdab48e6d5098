#include "ui/ThumbnailLookup.h"

#include "platform/Bundle.h"
#include "support/CatalogFixtures.h"
#include "support/ScratchHome.h"

#include <gtest/gtest.h>

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

} // namespace

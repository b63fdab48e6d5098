#include "catalog/CatalogManifest.h"
#include "catalog/Environment.h"
#include "support/ScratchHome.h"

#include <QFileInfo>
#include <QImageReader>
#include <QSet>

#include <gtest/gtest.h>

using namespace marlox::catalog;

// The catalog that ships in the bundle is a real one: every category and every type, with
// descriptions, and thumbnails for most packages.
TEST(BuiltInCatalogTest, CoversEveryCategoryAndTypeWithThumbnails) {
    marlox::testing::ScratchHome home;
    const QString path = urlForResource("manifest", "json");
    ASSERT_FALSE(path.isEmpty());
    const auto catalog = decodeCatalogManifest(marlox::testing::readFile(path));
    ASSERT_TRUE(catalog) << catalog.error().description.toStdString();
    EXPECT_GE(catalog->packages.size(), 10);

    QSet<QString> categories;
    QSet<PackageType> types;
    QSet<QString> ids;
    int withThumbnail = 0;
    for (const PackageManifest& package : catalog->packages) {
        categories.insert(package.category);
        types.insert(package.type);
        ids.insert(package.id);
        EXPECT_TRUE(hasNonBlankText(package.summary)) << package.id.toStdString();
        EXPECT_FALSE(package.releaseNotes.isEmpty()) << package.id.toStdString();
        EXPECT_TRUE(package.detailBullets && !package.detailBullets->isEmpty());
        if (package.thumbnailName) {
            const QString image = urlForResource(*package.thumbnailName, "png", "Thumbnails");
            ASSERT_FALSE(image.isEmpty()) << package.thumbnailName->toStdString();
            const QSize size = QImageReader(image).size();
            EXPECT_EQ(size.width() * 9, size.height() * 16) << image.toStdString();
            ++withThumbnail;
        }
    }
    EXPECT_EQ(ids.size(), catalog->packages.size());
    for (const QString& title : catalogCategoryTitles) {
        EXPECT_TRUE(categories.contains(title)) << title.toStdString();
    }
    EXPECT_EQ(types.size(), 3);
    EXPECT_GT(withThumbnail * 2, catalog->packages.size());
}

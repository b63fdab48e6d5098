#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

// Pixel probes, golden-image comparison and saved pictures, for any test that draws.
namespace marlox::testing {

// The colour at the pixel, not premultiplied, within a tolerance on every channel (alpha
// included); a fully transparent expectation ignores the colour channels.
::testing::AssertionResult pixelIs(const QImage& image, int x, int y, QRgb expected,
                                   int tolerance = 3);
// The same comparison for two colours.
::testing::AssertionResult colorNear(const QColor& actual, const QColor& expected,
                                     int tolerance = 3);

// The smallest rectangle holding every pixel that differs from the background by more than the
// tolerance in some channel; empty when none does.
QRect inkBounds(const QImage& image, const QColor& background, int tolerance = 24);
// Whether anything at all was drawn on a transparent image.
inline bool isBlank(const QImage& image) {
    return inkBounds(image, Qt::transparent, 0).isEmpty();
}

// Same size, and the same drawn, antialiasing aside. A pixel differs when a channel (premultiplied)
// differs by more than 12 and the mean of its 3 by 3 neighbourhood moved by more than a fifth of
// the contrast there: antialiasing moves an edge by a fraction of a pixel, which changes single
// pixels much but leaves the ink around them in place, while a changed glyph, line or control adds
// or takes away ink. No group of differing pixels, each within 5 pixels of another (the strokes
// of a letter), may be larger than 3, and at most 0.02% of the picture (3 pixels on a small one)
// may differ.
::testing::AssertionResult sameImage(const QImage& actual, const QImage& expected);

// Saves the image as <build>/test-output/<suite>.<test>-<label>.png, prints the path and gives it.
QString saveTestImage(const QImage& image, const QString& label);

// Compares the image with the golden PNG at the path (see sameImage); on a difference, or with no
// golden yet, the image is saved with saveTestImage(), beside it a picture of the difference (the
// golden dimmed, differing pixels red, antialiasing let through yellow), and the failure names
// them.
//
// To renew goldens, run the tests with MARLOX_RENEW_GOLDENS=1 in the environment: each golden is
// then written from the image instead of compared. Look at every renewed PNG before keeping it.
::testing::AssertionResult matchesGolden(const QImage& image, const QString& goldenPath);
// Whether this run renews goldens instead of comparing them.
bool renewingGoldens();

// The golden of that name in the test's own data folder: data/golden/<name>.png.
#ifdef MARLOX_TEST_DATA_DIR
inline QString goldenPath(const QString& name) {
    return QStringLiteral(MARLOX_TEST_DATA_DIR "/golden/") + name + QStringLiteral(".png");
}
#endif

} // namespace marlox::testing

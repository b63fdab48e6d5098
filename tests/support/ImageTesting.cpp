#include "ImageTesting.h"

#include "base/FileSystem.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace marlox::testing {
namespace {

int channelDifference(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

QImage comparable(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Antialiasing told apart from a change in what is drawn (see sameImage()). A channel may differ
// by this much anywhere,
constexpr int channelTolerance = 12;
// and by more where the mean of the pixel's 3 by 3 neighbourhood moves by at most this share of
// the contrast there.
constexpr double movedInkShare = 0.2;
// Pixels that differ otherwise pass in groups of at most this many, pixels this close to one
// another making one group (the strokes of a letter),
constexpr int largestNoiseGroup = 3;
constexpr int groupReach = 5;
// up to this share of the picture, or a few pixels on a small one.
constexpr double noiseShare = 0.0002;
constexpr int fewPixels = 3;

// Premultiplied, so that the colour of an almost transparent pixel counts as little as it shows.
class Pixels {
public:
    explicit Pixels(const QImage& image)
        : m_image(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)) {}
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    QRgb at(int x, int y) const {
        return reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
    }

private:
    QImage m_image;
};

int channel(QRgb pixel, int index) {
    return int(pixel >> (8 * index)) & 0xff;
}

// Whether, in some channel, the mean of the 3 by 3 neighbourhood moved by more than a share of the
// contrast the neighbourhood shows in the two pictures.
bool inkMoved(const Pixels& actual, const Pixels& expected, int x, int y) {
    const int top = std::max(0, y - 1), bottom = std::min(actual.height() - 1, y + 1);
    const int left = std::max(0, x - 1), right = std::min(actual.width() - 1, x + 1);
    const int count = (bottom - top + 1) * (right - left + 1);
    for (int index = 0; index < 4; ++index) {
        int moved = 0, lowest = 255, highest = 0;
        for (int row = top; row <= bottom; ++row) {
            for (int column = left; column <= right; ++column) {
                const int now = channel(actual.at(column, row), index);
                const int before = channel(expected.at(column, row), index);
                moved += now - before;
                lowest = std::min({lowest, now, before});
                highest = std::max({highest, now, before});
            }
        }
        if (std::abs(moved) > movedInkShare * count * (highest - lowest)) {
            return true;
        }
    }
    return false;
}

// The pixels of two pictures of one size that differ beyond antialiasing, gathered in groups of
// pixels near one another.
struct Comparison {
    int differing = 0;
    int largestGroup = 0;
    QRect largestGroupBounds;
    QImage difference;

    bool same() const {
        const double area = double(difference.width()) * difference.height();
        return largestGroup <= largestNoiseGroup &&
               differing <= std::max(double(fewPixels), area * noiseShare);
    }
};

// The size of the group of differing pixels that holds the first, and its bounds; marks them seen.
int gatherGroup(std::vector<char>& differs, int width, int height, int first, QRect& bounds) {
    std::vector<int> open{first};
    differs[first] = 0;
    int size = 0;
    bounds = {};
    while (!open.empty()) {
        const int at = open.back();
        open.pop_back();
        ++size;
        const int x = at % width, y = at / width;
        bounds |= QRect(x, y, 1, 1);
        for (int row = std::max(0, y - groupReach); row <= std::min(height - 1, y + groupReach);
             ++row) {
            for (int column = std::max(0, x - groupReach);
                 column <= std::min(width - 1, x + groupReach); ++column) {
                if (differs[row * width + column]) {
                    differs[row * width + column] = 0;
                    open.push_back(row * width + column);
                }
            }
        }
    }
    return size;
}

Comparison compare(const QImage& actualImage, const QImage& expectedImage) {
    const Pixels actual(actualImage), expected(expectedImage);
    const int width = actual.width(), height = actual.height();
    Comparison result;
    result.difference = QImage(width, height, QImage::Format_RGB32);
    std::vector<char> differs(std::size_t(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb now = actual.at(x, y), before = expected.at(x, y);
            const int shade = qGray(before) / 3;
            QRgb shown = qRgb(shade, shade, shade);
            if (channelDifference(now, before) > channelTolerance) {
                const bool drawnOtherwise = inkMoved(actual, expected, x, y);
                differs[std::size_t(y) * width + x] = drawnOtherwise;
                result.differing += drawnOtherwise;
                shown = drawnOtherwise ? qRgb(255, 0, 0) : qRgb(150, 130, 0);
            }
            result.difference.setPixel(x, y, shown);
        }
    }
    for (int at = 0; at < int(differs.size()); ++at) {
        if (!differs[at]) {
            continue;
        }
        QRect bounds;
        const int size = gatherGroup(differs, width, height, at, bounds);
        if (size > result.largestGroup) {
            result.largestGroup = size;
            result.largestGroupBounds = bounds;
        }
    }
    return result;
}

} // namespace

::testing::AssertionResult colorNear(const QColor& actual, const QColor& wanted, int tolerance) {
    bool same = std::abs(actual.alpha() - wanted.alpha()) <= tolerance;
    if (same && wanted.alpha() > 0) {
        same = std::abs(actual.red() - wanted.red()) <= tolerance &&
               std::abs(actual.green() - wanted.green()) <= tolerance &&
               std::abs(actual.blue() - wanted.blue()) <= tolerance;
    }
    if (same) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << qPrintable(actual.name(QColor::HexArgb)) << ", expected "
           << qPrintable(wanted.name(QColor::HexArgb));
}

::testing::AssertionResult pixelIs(const QImage& image, int x, int y, QRgb expected,
                                   int tolerance) {
    const ::testing::AssertionResult result =
        colorNear(image.pixelColor(x, y), QColor::fromRgba(expected), tolerance);
    if (result) {
        return result;
    }
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << result.message();
}

QRect inkBounds(const QImage& image, const QColor& background, int tolerance) {
    const QImage pixels = comparable(image);
    const QRgb ground = background.rgba();
    QRect bounds;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            if (channelDifference(pixels.pixel(x, y), ground) > tolerance) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

namespace {

::testing::AssertionResult sizesDiffer(const QImage& actual, const QImage& expected) {
    return ::testing::AssertionFailure()
           << "sizes differ: " << actual.width() << "x" << actual.height() << ", expected "
           << expected.width() << "x" << expected.height();
}

::testing::AssertionResult verdict(const Comparison& comparison) {
    if (comparison.same()) {
        return ::testing::AssertionSuccess();
    }
    const QRect& group = comparison.largestGroupBounds;
    return ::testing::AssertionFailure()
           << comparison.differing << " pixels differ beyond antialiasing; the largest group of "
           << comparison.largestGroup << " lies within " << group.width() << "x" << group.height()
           << " at (" << group.x() << ", " << group.y() << ")";
}

} // namespace

::testing::AssertionResult sameImage(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) {
        return sizesDiffer(actual, expected);
    }
    return verdict(compare(actual, expected));
}

QString saveTestImage(const QImage& image, const QString& label) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QString name = label;
    if (test) {
        name = QStringLiteral("%1.%2-%3")
                   .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()),
                        label);
    }
    name.replace(u'/', u'_');
    const QString folder = QStringLiteral(MARLOX_TEST_OUTPUT_DIR);
    QDir().mkpath(folder);
    const QString path = folder + u'/' + name + QStringLiteral(".png");
    // Replaced whole: a test that reads back what it saved, run at the same time in another run
    // of the suite, never reads the other's half-written picture.
    QByteArray png;
    QBuffer encoded(&png);
    if (encoded.open(QIODevice::WriteOnly) && image.save(&encoded, "PNG") &&
        !marlox::base::saveWholeFile(path, png)) {
        std::cout << "Saved picture: " << path.toStdString() << std::endl;
    } else {
        std::cout << "Could not save picture: " << path.toStdString() << std::endl;
    }
    return path;
}

bool renewingGoldens() {
    const QByteArray value = qgetenv("MARLOX_RENEW_GOLDENS");
    return !value.isEmpty() && value != "0";
}

::testing::AssertionResult matchesGolden(const QImage& image, const QString& goldenPath) {
    const QString name = QFileInfo(goldenPath).completeBaseName();
    if (renewingGoldens()) {
        QDir().mkpath(QFileInfo(goldenPath).path());
        if (!image.save(goldenPath, "PNG")) {
            return ::testing::AssertionFailure() << "cannot write " << goldenPath.toStdString();
        }
        std::cout << "Renewed golden: " << goldenPath.toStdString() << std::endl;
        return ::testing::AssertionSuccess();
    }
    const QImage golden(goldenPath);
    if (golden.isNull()) {
        const QString saved = saveTestImage(image, name);
        return ::testing::AssertionFailure()
               << "no golden " << goldenPath.toStdString() << "; the picture is "
               << saved.toStdString() << " (MARLOX_RENEW_GOLDENS=1 writes it)";
    }
    if (image.size() != golden.size()) {
        return sizesDiffer(image, golden)
               << "; the picture is " << saveTestImage(image, name).toStdString();
    }
    const Comparison comparison = compare(image, golden);
    ::testing::AssertionResult result = verdict(comparison);
    if (!result) {
        result << "; the picture is " << saveTestImage(image, name).toStdString()
               << ", the difference "
               << saveTestImage(comparison.difference, name + QStringLiteral("-difference"))
                      .toStdString();
    }
    return result;
}

} // namespace marlox::testing

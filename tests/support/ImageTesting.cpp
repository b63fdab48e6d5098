#include "ImageTesting.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace marlox::testing {
namespace {

int channelDifference(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

bool renewingGoldens() {
    const QByteArray value = qgetenv("MARLOX_RENEW_GOLDENS");
    return !value.isEmpty() && value != "0";
}

QImage comparable(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
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

bool hasInkIn(const QImage& image, const QRect& rect, const QColor& background, int tolerance) {
    return !inkBounds(image.copy(rect), background, tolerance).isEmpty();
}

int peakBrightnessIn(const QImage& image, const QRect& rect) {
    const QImage pixels = comparable(image.copy(rect));
    int peak = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb pixel = pixels.pixel(x, y);
            peak = std::max({peak, qRed(pixel), qGreen(pixel), qBlue(pixel)});
        }
    }
    return peak;
}

::testing::AssertionResult sameImage(const QImage& actualImage, const QImage& expectedImage) {
    if (actualImage.size() != expectedImage.size()) {
        return ::testing::AssertionFailure()
               << "sizes differ: " << actualImage.width() << "x" << actualImage.height()
               << ", expected " << expectedImage.width() << "x" << expectedImage.height();
    }
    const QImage actual = comparable(actualImage), expected = comparable(expectedImage);
    int differing = 0, largest = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const int difference = channelDifference(actual.pixel(x, y), expected.pixel(x, y));
            largest = std::max(largest, difference);
            differing += difference > 2;
        }
    }
    if (differing <= actual.width() * actual.height() / 500) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << differing << " pixels differ, by up to " << largest << " in a channel";
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
    if (image.save(path, "PNG")) {
        std::cout << "Saved picture: " << path.toStdString() << std::endl;
    } else {
        std::cout << "Could not save picture: " << path.toStdString() << std::endl;
    }
    return path;
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
    ::testing::AssertionResult result = sameImage(image, golden);
    if (!result) {
        result << "; the picture is " << saveTestImage(image, name).toStdString();
    }
    return result;
}

} // namespace marlox::testing

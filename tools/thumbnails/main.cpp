// Run `cmake --build build/test --target thumbnails` to redraw resources/Thumbnails/*.png.
// `thumbnailart Manrope-Bold.ttf FOLDER` draws the built-in catalog's thumbnails into FOLDER. Every
// screen crops them differently (What's New to the centred square, the detail sheet to a wide
// band), so the title, its bar and the circle all stay inside the centred square and the band.
#include "base/FileSystem.h"
#include "tools/support/OffscreenPlatform.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

namespace {

struct Thumbnail {
    const char* name;
    // One line per word: the longest word fits the centred square at the title's size.
    const char* title;
    QColor top;
    QColor bottom;
};

const Thumbnail thumbnails[] = {
    {"chroma-key", "Chroma\nKey", QColor(0x8d2de2), QColor(0x4b00e0)},
    {"color-suite", "Color\nSuite", QColor(0xc21432), QColor(0x250b36)},
    {"countdown-pro", "Countdown\nPro", QColor(0x0b70a9), QColor(0x1fd0f8)},
    {"edge-matte", "Edge\nMatte", QColor(0x2293b0), QColor(0x6cd5ed)},
    {"film-grade", "Film\nGrade", QColor(0x119a8e), QColor(0x38ee7d)},
    {"frame-kit", "Frame\nKit", QColor(0xee0a78), QColor(0xff6901)},
    {"kinetic-titles", "Kinetic\nTitles", QColor(0xf7971e), QColor(0xffd200)},
    {"letterbox", "Letterbox", QColor(0x1e2671), QColor(0xc23764)},
    {"timecode-burn", "Timecode\nBurn", QColor(0x7c2ff6), QColor(0xf007a4)},
    {"transitions-pack", "Transitions\nPack", QColor(0x01b09a), QColor(0x95c93e)},
};

constexpr QSize pictureSize(480, 270);
constexpr int titlePixelSize = 38;
constexpr qreal lineAdvance = 42;
constexpr qreal barGap = 22;
constexpr QSizeF barSize(120, 6);
constexpr QPointF circleCentre(318, 92);
constexpr qreal circleRadius = 46;
// Each side of the centred square keeps this much free of the title.
constexpr qreal squareMargin = 24;
// The circle and the bar: white at about 16%.
const QColor overlay(255, 255, 255, 41);

int fail(const QString& message) {
    std::fprintf(stderr, "thumbnailart: %s\n", qPrintable(message));
    return 1;
}

QImage draw(const Thumbnail& thumbnail, const QFont& font) {
    QImage image(pictureSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, pictureSize.height());
    backdrop.setColorAt(0, thumbnail.top);
    backdrop.setColorAt(1, thumbnail.bottom);
    painter.fillRect(image.rect(), backdrop);

    const QStringList lines = QString::fromUtf8(thumbnail.title).split(QLatin1Char('\n'));
    const QFontMetricsF metrics(font);
    // The title, its gap and the bar are centred as one block; the title's height is counted from
    // its capitals' tops to the last baseline.
    const qreal titleHeight = metrics.capHeight() + (lines.size() - 1) * lineAdvance;
    const qreal blockTop = (pictureSize.height() - titleHeight - barGap - barSize.height()) / 2;
    const qreal centreX = pictureSize.width() / 2.0;

    painter.setPen(Qt::NoPen);
    painter.setBrush(overlay);
    painter.drawEllipse(circleCentre, circleRadius, circleRadius);
    painter.drawRoundedRect(
        QRectF(QPointF(centreX - barSize.width() / 2, blockTop + titleHeight + barGap), barSize),
        barSize.height() / 2, barSize.height() / 2);

    painter.setFont(font);
    painter.setPen(Qt::white);
    qreal baseline = blockTop + metrics.capHeight();
    for (const QString& line : lines) {
        painter.drawText(QPointF(centreX - metrics.horizontalAdvance(line) / 2, baseline), line);
        baseline += lineAdvance;
    }
    return image;
}

// The widest line of a title that does not fit the centred square with its margins, else none.
QString lineTooWide(const Thumbnail& thumbnail, const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal room = pictureSize.height() - 2 * squareMargin;
    for (const QString& line : QString::fromUtf8(thumbnail.title).split(QLatin1Char('\n'))) {
        if (metrics.tightBoundingRect(line).width() > room) {
            return line;
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    marlox::tools::preferOffscreenPlatform();
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3) {
        return fail(QStringLiteral("usage: thumbnailart Manrope-Bold.ttf FOLDER"));
    }
    const int fontID = QFontDatabase::addApplicationFont(arguments.at(1));
    if (fontID < 0) {
        return fail(QStringLiteral("cannot load the font ") + arguments.at(1));
    }
    QFont font(QFontDatabase::applicationFontFamilies(fontID).constFirst());
    font.setPixelSize(titlePixelSize);
    font.setWeight(QFont::Bold);
    for (const Thumbnail& thumbnail : thumbnails) {
        const QString path = arguments.at(2) + QLatin1Char('/') +
                             QString::fromUtf8(thumbnail.name) + QStringLiteral(".png");
        if (const QString line = lineTooWide(thumbnail, font); !line.isEmpty()) {
            return fail(QStringLiteral("\"%1\" is wider than the centred square").arg(line));
        }
        QByteArray png;
        QBuffer encoded(&png);
        if (!encoded.open(QIODevice::WriteOnly) || !draw(thumbnail, font).save(&encoded, "PNG") ||
            marlox::base::saveWholeFile(path, png)) {
            return fail(QStringLiteral("cannot write ") + path);
        }
    }
    return 0;
}

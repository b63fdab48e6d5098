// `svgrender in.svg out.png SIZE`: draws a vector-graphics document into a PNG of SIZE by SIZE
// pixels, exactly as the document view draws it in a space of that size. A document that
// parses to nothing gives a transparent image. Bad arguments exit 2, a file that cannot be read
// or written exits 1 with one line on standard error; the output is written whole or not at all.
#include "base/FileSystem.h"
#include "tools/support/OffscreenPlatform.h"
#include "vector/SVGDrawing.h"
#include "vector/SVGParser.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QUrl>

#include <cstdio>

namespace {

constexpr int failureExit = 1;
constexpr int usageExit = 2;
constexpr int largestSize = 16384;

int fail(int exitCode, const QString& message) {
    std::fprintf(stderr, "svgrender: %s\n", qPrintable(message));
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    marlox::tools::preferOffscreenPlatform();
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4) {
        return fail(usageExit, QStringLiteral("usage: svgrender in.svg out.png SIZE"));
    }
    const QString input = arguments.at(1);
    const QString output = arguments.at(2);
    bool isNumber = false;
    const int size = arguments.at(3).toInt(&isNumber);
    if (!isNumber || size < 1 || size > largestSize) {
        return fail(usageExit, QStringLiteral("SIZE must be a whole number from 1 to %1, not %2")
                                   .arg(largestSize)
                                   .arg(arguments.at(3)));
    }
    if (!QFileInfo(input).isFile() || !QFileInfo(input).isReadable()) {
        return fail(failureExit, QStringLiteral("cannot read %1").arg(input));
    }

    // Images the document names resolve against its own folder.
    const auto root = marlox::vector::SVGParser::parseContentsOf(QUrl::fromLocalFile(input));
    const QImage image = marlox::vector::renderDocument(root.get(), size);

    QByteArray png;
    QBuffer encoded(&png);
    if (!encoded.open(QIODevice::WriteOnly) || !image.save(&encoded, "PNG")) {
        return fail(failureExit, QStringLiteral("cannot encode %1").arg(output));
    }
    if (const auto failure = marlox::base::saveWholeFile(output, png)) {
        return fail(failureExit, QStringLiteral("cannot write %1: %2").arg(output, failure->reason));
    }
    return 0;
}

// `bench_vector_documents FOLDER COUNT...`: writes the render benchmark's outline documents, each
// way of painting them at each count, as outlines-<paint>-<count>.svg, so that whole programs can
// be timed drawing the same bytes.
#include "VectorBenchmarkSupport.h"
#include "base/FileSystem.h"

#include <QDir>
#include <QString>

#include <cstdio>

namespace {

using marlox::bench::generatedOutlines;
using marlox::bench::OutlinePaint;
using marlox::bench::outlinePaintName;

bool writeFile(const QString& path, const QByteArray& bytes) {
    return !marlox::base::saveWholeFile(path, bytes);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_vector_documents FOLDER COUNT...\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int argument = 2; argument < argc; ++argument) {
        bool isNumber = false;
        const int count = QString::fromLocal8Bit(argv[argument]).toInt(&isNumber);
        if (!isNumber || count < 1) {
            std::fprintf(stderr, "bench_vector_documents: not a count: %s\n", argv[argument]);
            return 2;
        }
        for (const OutlinePaint paint : marlox::bench::outlinePaints) {
            const QString path = folder.filePath(QStringLiteral("outlines-%1-%2.svg")
                                                     .arg(QLatin1String(outlinePaintName(paint)))
                                                     .arg(count));
            if (!writeFile(path, generatedOutlines(count, paint))) {
                std::fprintf(stderr, "bench_vector_documents: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}

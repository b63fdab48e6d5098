#include "vector/SVGSettings.h"

#include <QFile>

#include <cstdio>

namespace marlox::vector {

namespace {

thread_local quint64 printedLines = 0;

} // namespace

quint64 printedLineCount() {
    return printedLines;
}

void printLine(const QString& line) {
    ++printedLines;
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void SVGLogger::log(const QString& message) {
    printLine(message);
}

void SVGLogger::logError(const QString& errorDescription) {
    printLine(errorDescription);
}

const std::shared_ptr<SVGLogger>& SVGLogger::console() {
    static const std::shared_ptr<SVGLogger> shared = std::make_shared<SVGLogger>();
    return shared;
}

SVGLinker::LoadResult SVGLinker::load(const QString&) const {
    return std::optional<QByteArray>();
}

const std::shared_ptr<SVGLinker>& SVGLinker::none() {
    static const std::shared_ptr<SVGLinker> shared = std::make_shared<SVGLinker>();
    return shared;
}

std::shared_ptr<SVGLinker> SVGLinker::base(const QUrl& folder) {
    return std::make_shared<SVGURLLinker>(folder);
}

std::shared_ptr<SVGLinker> SVGLinker::relative(const QUrl& file) {
    return std::make_shared<SVGURLLinker>(file.adjusted(QUrl::RemoveFilename));
}

SVGLinker::LoadResult SVGURLLinker::load(const QString& source) const {
    QString folder = m_url.toLocalFile();
    if (!folder.isEmpty() && !folder.endsWith(u'/')) {
        folder += u'/';
    }
    QFile file(folder + source);
    if (!file.open(QIODevice::ReadOnly)) {
        return SVGLinkError(QStringLiteral("The file “%1” couldn’t be opened: %2")
                                .arg(file.fileName(), file.errorString()));
    }
    return std::optional<QByteArray>(file.readAll());
}

const SVGSettings& SVGSettings::defaults() {
    static const SVGSettings shared;
    return shared;
}

} // namespace marlox::vector

#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace marlox::vector {

// Writes one line on standard output: the library's only way of reporting a problem.
void printLine(const QString& line);
// How many lines printLine has written on this thread so far: a reading that printed nothing
// may be kept and handed out again for the same input.
quint64 printedLineCount();

// Where the parse settings send their messages.
class SVGLogger {
public:
    virtual ~SVGLogger() = default;

    virtual void log(const QString& message);
    // Writes the description of an error (an XML error, a file that cannot be read).
    virtual void logError(const QString& errorDescription);

    static const std::shared_ptr<SVGLogger>& console();
};

// A referenced file that exists but could not be read.
struct SVGLinkError : base::DescribedError {
    using DescribedError::DescribedError;
};

// Turns a reference to an external file into the file's bytes. The base class finds nothing.
class SVGLinker {
public:
    using LoadResult = Result<std::optional<QByteArray>, SVGLinkError>;

    virtual ~SVGLinker() = default;
    virtual LoadResult load(const QString& source) const;

    // The shared linker that resolves nothing; parse entry points recognise it by identity.
    static const std::shared_ptr<SVGLinker>& none();
    static std::shared_ptr<SVGLinker> base(const QUrl& folder);
    static std::shared_ptr<SVGLinker> relative(const QUrl& file);
};

// Resolves references as paths below a folder and reads the files whole.
class SVGURLLinker : public SVGLinker {
public:
    explicit SVGURLLinker(QUrl folder) : m_url(std::move(folder)) {}

    LoadResult load(const QString& source) const override;
    const QUrl& url() const { return m_url; }

private:
    QUrl m_url;
};

// The bases of absolute units, percentages and the diagonal.
struct SVGScreen {
    double ppi = 96;
    double width = 100;
    double height = 100;
};

struct SVGSettings {
    std::shared_ptr<SVGLinker> linker = SVGLinker::none();
    std::shared_ptr<SVGLogger> logger = SVGLogger::console();
    double fontSize = 16;
    double ppi = 96;

    static const SVGSettings& defaults();
};

} // namespace marlox::vector

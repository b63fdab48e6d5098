#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

namespace marlox::screens {

// The newest build of the application a feed announces.
struct AppUpdateNotice {
    QString build;
    // The version shown to the user.
    QString version;

    friend bool operator==(const AppUpdateNotice&, const AppUpdateNotice&) = default;
};

// Announced version and build texts are at most this long; a feed announcing longer ones
// announces nothing.
inline constexpr qsizetype maximumAppcastVersionLength = 64;

// A version or build text as screens show it: at most 24 characters, the middle of a longer one
// given up for an ellipsis, so that the text cannot push a line or a dialog off the screen.
QString shownVersionText(const QString& text);

struct AppcastItem {
    AppUpdateNotice notice;
    // The page the item's release is offered on, trimmed; empty when the item names none.
    QString link;
};

// Why a feed that was read announces nothing: where and why the reading stopped ("line 3,
// column 7: Opening and ending tag mismatch."), or that the announced item's version or build text
// is longer than maximumAppcastVersionLength.
struct AppcastFormatError : base::DescribedError {
    enum class Kind { malformed, versionTooLong };

    AppcastFormatError(Kind kind, QString description)
        : DescribedError(std::move(description)), kind(kind) {}

    Kind kind;
};

// Reads an appcast feed the way the platform's event-driven XML parser is fed: names exactly as
// written, prefix included; only character data counts, never attributes. The first item with a
// non-blank "sparkle:version" is the announced one, unless its build or version is longer than
// maximumAppcastVersionLength: then the feed announces nothing, and says why. One reader serves
// one document.
class AppcastReader {
public:
    // Nothing when no item has a build; an error, whatever came before it, when the document is
    // not well-formed; an error before anything is read when it declares parameter entities; an
    // error when the first item with a build has too long a version or build text.
    static Result<std::optional<AppcastItem>, AppcastFormatError> read(const QByteArray& document);

    // Feeds nest a few levels deep; a deeper document is refused as the platform's parser
    // refuses it, so that a hostile one cannot grow the element stack.
    static constexpr int maximumDepth = 256;

private:
    AppcastReader() = default;

    void startElement(QStringView name);
    void characters(QStringView text);
    void endElement(QStringView name);

    QString m_currentElementName;
    QString m_currentItemBuild;
    QString m_currentItemVersion;
    QString m_currentItemLink;
    bool m_insideItem = false;
    // Whether the item with the first build has ended, whatever became of it.
    bool m_firstBuildRead = false;
    bool m_firstBuildTooLong = false;
    std::optional<AppcastItem> m_latestItem;
};

} // namespace marlox::screens

#pragma once

#include "vector/PathSegment.h"

#include <QList>
#include <QString>

#include <optional>

namespace marlox::vector {

// Reads path data ("M10 20L30 40Z") one command at a time. Malformed numbers end the command at
// hand; the complete groups read so far stay and reading resumes at the next command letter.
class PathReader {
public:
    explicit PathReader(QString input);

    // The segments of the next command: empty when it had no complete group of values; nothing
    // once the text is exhausted.
    std::optional<QList<PathSegment>> read();

    // Every segment of the text, command after command.
    static QList<PathSegment> readAll(const QString& input);

private:
    void advance();
    void skipSeparators();
    bool currentStartsNumber() const;
    std::optional<double> readNumber();
    QList<double> readNumbers();
    QList<double> readArcValues();

    QString m_input;
    // The character under the cursor and the one before it; nothing past either end.
    std::optional<QChar> m_current;
    std::optional<QChar> m_previous;
    qsizetype m_next = 0;
};

} // namespace marlox::vector

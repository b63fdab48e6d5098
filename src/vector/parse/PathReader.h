#pragma once

#include "vector/PathSegment.h"

#include <QList>
#include <QString>
#include <QVarLengthArray>

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
    // A command's values stay on the stack unless it repeats many times.
    using Values = QVarLengthArray<double, 32>;

    // Appends the next command's segments; false once the text is exhausted.
    bool readCommand(QList<PathSegment>& segments);
    bool atEnd() const;
    QChar current() const;
    void skipSeparators();
    bool currentStartsNumber() const;
    std::optional<double> readNumber();
    void readNumbers(Values& values);
    void readArcValues(Values& values);

    QString m_input;
    // The character under the cursor; past the last one at the end.
    qsizetype m_position = 0;
};

} // namespace marlox::vector

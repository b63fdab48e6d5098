#include "vector/PathReader.h"

#include "vector/SVGScanner.h"

#include <algorithm>

namespace marlox::vector {

namespace {

std::optional<PathSegmentType> commandType(QChar letter) {
    switch (letter.unicode()) {
    case u'M':
        return PathSegmentType::M;
    case u'L':
        return PathSegmentType::L;
    case u'C':
        return PathSegmentType::C;
    case u'Q':
        return PathSegmentType::Q;
    case u'A':
        return PathSegmentType::A;
    case u'H':
        return PathSegmentType::H;
    case u'V':
        return PathSegmentType::V;
    case u'S':
        return PathSegmentType::S;
    case u'T':
        return PathSegmentType::T;
    case u'Z':
    case u'z':
        return PathSegmentType::z;
    case u'm':
        return PathSegmentType::m;
    case u'l':
        return PathSegmentType::l;
    case u'c':
        return PathSegmentType::c;
    case u'q':
        return PathSegmentType::q;
    case u'a':
        return PathSegmentType::a;
    case u'h':
        return PathSegmentType::h;
    case u'v':
        return PathSegmentType::v;
    case u's':
        return PathSegmentType::s;
    case u't':
        return PathSegmentType::t;
    default:
        return std::nullopt;
    }
}

qsizetype valueCount(PathSegmentType type) {
    switch (type) {
    case PathSegmentType::C:
    case PathSegmentType::c:
        return 6;
    case PathSegmentType::Q:
    case PathSegmentType::S:
    case PathSegmentType::q:
    case PathSegmentType::s:
        return 4;
    case PathSegmentType::A:
    case PathSegmentType::a:
        return 7;
    case PathSegmentType::H:
    case PathSegmentType::V:
    case PathSegmentType::h:
    case PathSegmentType::v:
        return 1;
    case PathSegmentType::z:
        return 0;
    default:
        return 2;
    }
}

bool isDigit(QChar character) {
    return character >= u'0' && character <= u'9';
}

bool isSeparator(QChar character) {
    return character == u'\n' || character == u'\r' || character == u'\t' || character == u' ' ||
           character == u',';
}

// One segment per complete group; after the first group a move goes on as lines.
template <typename Values>
void groupValues(PathSegmentType type, const Values& values, QList<PathSegment>& segments) {
    const qsizetype count = valueCount(type);
    for (qsizetype start = 0; start + count <= values.size(); start += count) {
        PathSegmentType groupType = type;
        if (start > 0 && type == PathSegmentType::M) {
            groupType = PathSegmentType::L;
        } else if (start > 0 && type == PathSegmentType::m) {
            groupType = PathSegmentType::l;
        }
        segments.append(PathSegment(
            groupType, QList<double>(values.begin() + start, values.begin() + start + count)));
    }
}

} // namespace

PathReader::PathReader(QString input) : m_input(std::move(input)) {}

QList<PathSegment> PathReader::readAll(const QString& input) {
    PathReader reader(input);
    QList<PathSegment> segments;
    // Every command letter gives at least one segment; most give exactly one.
    segments.reserve(std::count_if(input.cbegin(), input.cend(),
                                   [](QChar character) { return commandType(character); }));
    while (reader.readCommand(segments)) {
    }
    return segments;
}

bool PathReader::atEnd() const {
    return m_position >= m_input.size();
}

QChar PathReader::current() const {
    return m_input.at(m_position);
}

void PathReader::skipSeparators() {
    while (!atEnd() && isSeparator(current())) {
        ++m_position;
    }
}

bool PathReader::currentStartsNumber() const {
    if (atEnd()) {
        return false;
    }
    const QChar character = current();
    return isDigit(character) || character == u'-' || character == u'.';
}

std::optional<QList<PathSegment>> PathReader::read() {
    QList<PathSegment> segments;
    if (!readCommand(segments)) {
        return std::nullopt;
    }
    return segments;
}

bool PathReader::readCommand(QList<PathSegment>& segments) {
    std::optional<PathSegmentType> type;
    while (!type) {
        if (atEnd()) {
            return false;
        }
        type = commandType(current());
        ++m_position;
    }
    if (*type == PathSegmentType::z) {
        segments.append(PathSegment(PathSegmentType::z, {}));
        return true;
    }
    Values values;
    if (*type == PathSegmentType::A || *type == PathSegmentType::a) {
        readArcValues(values);
    } else {
        skipSeparators();
        readNumbers(values);
    }
    groupValues(*type, values, segments);
    return true;
}

void PathReader::readNumbers(Values& values) {
    while (currentStartsNumber()) {
        const std::optional<double> value = readNumber();
        if (!value) {
            break;
        }
        values.append(*value);
        skipSeparators();
    }
}

std::optional<double> PathReader::readNumber() {
    // The number's characters stand together in the input, from the current one on. A plain
    // number is counted on the way; one with an exponent is read from its text.
    const qsizetype start = m_position;
    SVGPlainDecimal decimal;
    bool plain = true;
    bool hasPoint = false;
    for (; !atEnd(); ++m_position) {
        const QChar character = current();
        if (isDigit(character)) {
            decimal.addDigit(character.unicode());
        } else if (character == u'.' && !hasPoint) {
            hasPoint = true;
            decimal.startFraction();
        } else if (m_position == start && character == u'-') {
            decimal.setNegative();
        } else if (character == u'e' || (character == u'-' && m_position > start &&
                                         m_input.at(m_position - 1) == u'e')) {
            plain = false;
        } else {
            break;
        }
    }
    if (plain) {
        if (const std::optional<double> value = decimal.value()) {
            return value;
        }
    }
    return readDouble(QStringView(m_input).sliced(start, m_position - start));
}

void PathReader::readArcValues(Values& values) {
    for (qsizetype position = 0;; ++position) {
        skipSeparators();
        if (atEnd()) {
            break;
        }
        if (position % 7 == 3 || position % 7 == 4) {
            // A flag is one character and needs no separator after it.
            const QChar flag = current();
            ++m_position;
            if (flag == u'0') {
                values.append(0);
            } else if (flag == u'1') {
                values.append(1);
            } else {
                break;
            }
            continue;
        }
        if (!currentStartsNumber()) {
            break;
        }
        const std::optional<double> value = readNumber();
        if (!value) {
            break;
        }
        values.append(*value);
    }
}

} // namespace marlox::vector

#include "vector/PathReader.h"

#include "vector/SVGScanner.h"

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
QList<PathSegment> groupValues(PathSegmentType type, const QList<double>& values) {
    const qsizetype count = valueCount(type);
    QList<PathSegment> segments;
    for (qsizetype start = 0; start + count <= values.size(); start += count) {
        PathSegmentType groupType = type;
        if (start > 0 && type == PathSegmentType::M)
            groupType = PathSegmentType::L;
        else if (start > 0 && type == PathSegmentType::m)
            groupType = PathSegmentType::l;
        segments.append(PathSegment(groupType, values.mid(start, count)));
    }
    return segments;
}

} // namespace

PathReader::PathReader(QString input) : m_input(std::move(input)) {
    advance();
}

QList<PathSegment> PathReader::readAll(const QString& input) {
    PathReader reader(input);
    QList<PathSegment> segments;
    while (const std::optional<QList<PathSegment>> command = reader.read())
        segments.append(*command);
    return segments;
}

void PathReader::advance() {
    m_previous = m_current;
    if (m_next < m_input.size())
        m_current = m_input.at(m_next++);
    else
        m_current.reset();
}

void PathReader::skipSeparators() {
    while (m_current && isSeparator(*m_current))
        advance();
}

bool PathReader::currentStartsNumber() const {
    return m_current && (isDigit(*m_current) || *m_current == u'-' || *m_current == u'.');
}

std::optional<QList<PathSegment>> PathReader::read() {
    std::optional<PathSegmentType> type;
    while (!type) {
        if (!m_current)
            return std::nullopt;
        type = commandType(*m_current);
        advance();
    }
    if (*type == PathSegmentType::z)
        return QList<PathSegment>{PathSegment(PathSegmentType::z, {})};
    if (*type == PathSegmentType::A || *type == PathSegmentType::a)
        return groupValues(*type, readArcValues());
    skipSeparators();
    return groupValues(*type, readNumbers());
}

QList<double> PathReader::readNumbers() {
    QList<double> values;
    while (currentStartsNumber()) {
        const std::optional<double> value = readNumber();
        if (!value)
            break;
        values.append(*value);
        skipSeparators();
    }
    return values;
}

std::optional<double> PathReader::readNumber() {
    // The number's characters stand together in the input, from the current one on.
    const qsizetype start = m_next - 1;
    bool hasPoint = *m_current == u'.';
    advance();
    while (m_current) {
        const QChar character = *m_current;
        const bool belongs = isDigit(character) || character == u'e' ||
                             (character == u'-' && m_previous == u'e') ||
                             (character == u'.' && !hasPoint);
        if (!belongs)
            break;
        hasPoint = hasPoint || character == u'.';
        advance();
    }
    const qsizetype end = m_current ? m_next - 1 : m_input.size();
    return readDouble(QStringView(m_input).sliced(start, end - start));
}

QList<double> PathReader::readArcValues() {
    QList<double> values;
    for (qsizetype position = 0;; ++position) {
        skipSeparators();
        if (!m_current)
            break;
        if (position % 7 == 3 || position % 7 == 4) {
            // A flag is one character and needs no separator after it.
            const QChar flag = *m_current;
            advance();
            if (flag == u'0')
                values.append(0);
            else if (flag == u'1')
                values.append(1);
            else
                break;
            continue;
        }
        if (!currentStartsNumber())
            break;
        const std::optional<double> value = readNumber();
        if (!value)
            break;
        values.append(*value);
    }
    return values;
}

} // namespace marlox::vector

#pragma once

#include <QList>

namespace marlox::vector {

// One path command. Upper case takes absolute coordinates, lower case coordinates relative to
// the current point; z closes. E and e (an arc of the ellipse inscribed in a box: x, y, width,
// height, start angle and sweep in radians) are built only in code, never read from path data.
enum class PathSegmentType { M, L, C, Q, A, z, H, V, S, T, m, l, c, q, a, h, v, s, t, E, e };

class PathSegment {
public:
    PathSegment(PathSegmentType type, QList<double> data) : m_type(type), m_data(std::move(data)) {}

    PathSegmentType type() const { return m_type; }
    const QList<double>& data() const { return m_data; }

    // True for M, L, C, Q, A, H, V, S, T and E.
    bool isAbsolute() const;

    bool operator==(const PathSegment& other) const = default;

private:
    PathSegmentType m_type;
    QList<double> m_data;
};

} // namespace marlox::vector

#pragma once

#include <QStringView>
#include <QtGlobal>

namespace marlox::vector {

// Whether two names are the same text. Names are short and mostly differ in their length or
// first character, which are compared before the rest.
inline bool sameName(QStringView first, QStringView second) {
    return first.size() == second.size() && (first.isEmpty() || first.front() == second.front()) &&
           first == second;
}

// One of 64 bits chosen by a name's length and end characters. A list of names keeps the union
// of its names' bits: a name whose bit is not in it is not in the list, which answers most
// lookups (of names an element does not carry) without comparing any text.
inline quint64 nameBit(QStringView name) {
    if (name.isEmpty()) {
        return 1;
    }
    const auto mix =
        static_cast<quint64>(name.size()) * 5 + name.front().unicode() + name.back().unicode() * 3u;
    return quint64(1) << (mix % 64);
}

} // namespace marlox::vector

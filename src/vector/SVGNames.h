#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <QtGlobal>

#include <initializer_list>
#include <utility>

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

// Names to value texts, kept as a short flat list with its names' bits in front: an element has a
// handful of attributes and styles, which then stay inside it and are mostly ruled out unread.
template <qsizetype InlineCapacity> class NamedTextList {
public:
    using Entry = std::pair<QString, QString>;

    NamedTextList() = default;
    NamedTextList(std::initializer_list<Entry> entries) {
        for (const Entry& entry : entries) {
            insert(entry.first, entry.second);
        }
    }

    const QString* find(QStringView name) const {
        if (!(m_names & nameBit(name))) {
            return nullptr;
        }
        for (const Entry& entry : m_entries) {
            if (sameName(entry.first, name)) {
                return &entry.second;
            }
        }
        return nullptr;
    }
    bool contains(QStringView name) const { return find(name) != nullptr; }

    // Sets the value, replacing an earlier one of the same name. A name whose bit is not yet in
    // the list is appended without looking.
    void insert(const QString& name, const QString& value) {
        if (m_names & nameBit(name)) {
            for (Entry& entry : m_entries) {
                if (entry.first == name) {
                    entry.second = value;
                    return;
                }
            }
        }
        m_entries.append(Entry(name, value));
        m_names |= nameBit(name);
    }
    void reserve(qsizetype size) { m_entries.reserve(size); }

    bool isEmpty() const { return m_entries.isEmpty(); }
    qsizetype size() const { return m_entries.size(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    QVarLengthArray<Entry, InlineCapacity> m_entries;
    // The bits of the names present (nameBit).
    quint64 m_names = 0;
};

} // namespace marlox::vector

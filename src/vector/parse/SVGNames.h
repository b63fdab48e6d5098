#pragma once

#include <QHash>
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
// handful of attributes and styles, which then stay inside it and are mostly ruled out unread. A
// list that grows long (a style attribute or a style sheet of thousands of properties) is also
// indexed by name, so that filling it stays linear.
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
        const qsizetype position = positionOf(name);
        return position < 0 ? nullptr : &m_entries[position].second;
    }
    bool contains(QStringView name) const { return positionOf(name) >= 0; }

    // Sets the value, replacing an earlier one of the same name. A name whose bit is not yet in
    // the list is appended without looking.
    void insert(const QString& name, const QString& value) {
        if (const qsizetype position = positionOf(name); position >= 0) {
            m_entries[position].second = value;
            return;
        }
        m_entries.append(Entry(name, value));
        m_names |= nameBit(name);
        if (!m_index.isEmpty()) {
            m_index.insert(QStringView(m_entries.back().first), m_entries.size() - 1);
        } else if (m_entries.size() > longestUnindexed) {
            for (qsizetype position = 0; position < m_entries.size(); ++position) {
                m_index.insert(QStringView(m_entries[position].first), position);
            }
        }
    }
    void reserve(qsizetype size) { m_entries.reserve(size); }

    bool isEmpty() const { return m_entries.isEmpty(); }
    qsizetype size() const { return m_entries.size(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    static constexpr qsizetype longestUnindexed = 32;

    // Where the name stands, or -1.
    qsizetype positionOf(QStringView name) const {
        if (!(m_names & nameBit(name))) {
            return -1;
        }
        if (!m_index.isEmpty()) {
            return m_index.value(name, -1);
        }
        for (qsizetype position = 0; position < m_entries.size(); ++position) {
            if (sameName(m_entries[position].first, name)) {
                return position;
            }
        }
        return -1;
    }

    QVarLengthArray<Entry, InlineCapacity> m_entries;
    // The bits of the names present (nameBit).
    quint64 m_names = 0;
    // Name to position, once the list is long. The keys view the names' own texts, which a copy
    // of the list shares and which never change.
    QHash<QStringView, qsizetype> m_index;
};

} // namespace marlox::vector

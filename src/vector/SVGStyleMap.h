#pragma once

#include "vector/SVGNames.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <initializer_list>
#include <utility>

namespace marlox::vector {

// Property names to value texts. Kept as a short flat list: an element has a handful of styles,
// and every context copies its parent's, which then needs no allocation.
class SVGStyleMap {
public:
    using Entry = std::pair<QString, QString>;

    SVGStyleMap() = default;
    SVGStyleMap(std::initializer_list<Entry> entries) {
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
    QString value(QStringView name, const QString& defaultValue = {}) const {
        const QString* found = find(name);
        return found ? *found : defaultValue;
    }

    // Sets the value, replacing an earlier one of the same name.
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
    bool isEmpty() const { return m_entries.isEmpty(); }
    qsizetype size() const { return m_entries.size(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    QVarLengthArray<Entry, 12> m_entries;
    // The bits of the names present (nameBit).
    quint64 m_names = 0;
};

} // namespace marlox::vector

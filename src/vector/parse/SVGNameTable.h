#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace marlox::vector {

// A fixed set of up to 255 short names, each with a value, made once and then only read. Names
// are found through a hash of their length and three of their characters in a small
// open-addressed table, which stays in cache where a general hash table would not.
template <typename Value> class SVGNameTable {
public:
    // Adds a name once; a name added again keeps its first value.
    void add(const QString& name, Value value) {
        if (name.isEmpty() || find(name) || m_entries.size() >= 255) {
            return;
        }
        m_entries.emplace_back(name, std::move(value));
        std::size_t slot = slotOf(name);
        while (m_slots[slot] != 0) {
            slot = (slot + 1) % slotCount;
        }
        m_slots[slot] = static_cast<std::uint8_t>(m_entries.size());
    }

    // The name as stored and its value, or nothing.
    const std::pair<QString, Value>* find(QStringView name) const {
        if (name.isEmpty()) {
            return nullptr;
        }
        for (std::size_t slot = slotOf(name);; slot = (slot + 1) % slotCount) {
            const std::uint8_t entry = m_slots[slot];
            if (entry == 0) {
                return nullptr;
            }
            const std::pair<QString, Value>& known = m_entries[entry - 1];
            if (known.first == name) {
                return &known;
            }
        }
    }

private:
    static constexpr std::size_t slotCount = 512;

    static std::size_t slotOf(QStringView name) {
        const auto size = static_cast<std::size_t>(name.size());
        return (size * 31 + name.front().unicode() * 7u + name.back().unicode() * 13u +
                name[name.size() / 2].unicode()) %
               slotCount;
    }

    // Entry n - 1, or 0 for an empty slot.
    std::array<std::uint8_t, slotCount> m_slots{};
    std::vector<std::pair<QString, Value>> m_entries;
};

} // namespace marlox::vector

#pragma once

#include "catalog/JsonFields.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <simdjson.h>

#include <array>
#include <optional>

namespace marlox::catalog {

// A JSON text (RFC 8259, UTF-8) parsed whole by simdjson before anything is read from it: its
// grammar, its UTF-8 and the range of its numbers are checked, and nesting deeper than any
// catalog needs is refused.
class JsonDocument {
public:
    explicit JsonDocument(const QByteArray& json);

    // Nothing when the text is JSON; else what is wrong with it ("bad number").
    const std::optional<QString>& problem() const { return m_problem; }
    simdjson::dom::element root() const { return m_root; }

private:
    simdjson::dom::parser m_parser;
    simdjson::dom::element m_root;
    std::optional<QString> m_problem;
};

// One member's value, kept only as far as the field readers need it.
JsonFieldValue fieldValue(simdjson::dom::element value);

// The values of the object's members named in `keys`, each in its key's slot; a repeated key's
// last value wins, and members of other names are passed over.
template <size_t Count>
void readMembers(simdjson::dom::object object, const std::array<QLatin1StringView, Count>& keys,
                 std::array<JsonFieldValue, Count>& values) {
    for (const simdjson::dom::key_value_pair member : object) {
        const int slot = keyIndex(keys, QByteArrayView(member.key.data(), member.key.size()));
        if (slot >= 0) {
            values[static_cast<size_t>(slot)] = fieldValue(member.value);
        }
    }
}

} // namespace marlox::catalog

#include "JsonDocument.h"

namespace marlox::catalog {
namespace {

// Deeper nesting than any catalog needs is refused rather than followed.
constexpr size_t maximumDepth = 256;

QString problemOf(simdjson::error_code error) {
    switch (error) {
    case simdjson::EMPTY:
        return QStringLiteral("unexpected end");
    case simdjson::TAPE_ERROR:
        return QStringLiteral("unexpected character");
    case simdjson::DEPTH_ERROR:
        return QStringLiteral("nesting too deep");
    case simdjson::UTF8_ERROR:
        return QStringLiteral("invalid UTF-8");
    case simdjson::UNCLOSED_STRING:
        return QStringLiteral("unterminated string");
    case simdjson::UNESCAPED_CHARS:
        return QStringLiteral("control character in string");
    case simdjson::STRING_ERROR:
        return QStringLiteral("bad escape");
    case simdjson::NUMBER_ERROR:
    case simdjson::NUMBER_OUT_OF_RANGE:
        return QStringLiteral("bad number");
    case simdjson::T_ATOM_ERROR:
    case simdjson::F_ATOM_ERROR:
    case simdjson::N_ATOM_ERROR:
        return QStringLiteral("bad literal");
    default:
        return QString::fromUtf8(simdjson::error_message(error));
    }
}

} // namespace

JsonDocument::JsonDocument(const QByteArray& json) {
    const auto size = static_cast<size_t>(json.size());
    simdjson::error_code error = m_parser.allocate(size, maximumDepth);
    if (!error) {
        // The parser reads a little past the end of the text, which must be room of the same
        // allocation: the array's spare capacity when it has enough, else a copy the parser
        // makes.
        const bool padded =
            json.capacity() - json.size() >= static_cast<qsizetype>(simdjson::SIMDJSON_PADDING);
        error = m_parser.parse(json.constData(), size, !padded).get(m_root);
    }
    if (error) {
        m_problem = problemOf(error);
    }
}

JsonFieldValue fieldValue(simdjson::dom::element value) {
    JsonFieldValue field;
    switch (value.type()) {
    case simdjson::dom::element_type::STRING: {
        const std::string_view text = value.get_string().value_unsafe();
        field.kind = JsonFieldValue::Kind::string;
        field.text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        break;
    }
    case simdjson::dom::element_type::NULL_VALUE:
        field.kind = JsonFieldValue::Kind::null;
        break;
    case simdjson::dom::element_type::ARRAY: {
        field.kind = JsonFieldValue::Kind::stringList;
        const simdjson::dom::array elements = value.get_array().value_unsafe();
        for (const simdjson::dom::element element : elements) {
            if (!element.is_string()) {
                field.kind = JsonFieldValue::Kind::other;
                field.list.clear();
                break;
            }
            const std::string_view text = element.get_string().value_unsafe();
            field.list.append(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        }
        break;
    }
    default:
        field.kind = JsonFieldValue::Kind::other;
        break;
    }
    return field;
}

} // namespace marlox::catalog

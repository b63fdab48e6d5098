#include "base/XMLReadings.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <tuple>

namespace marlox::base {
void PrintTo(const TextPosition& position, std::ostream* out) {
    *out << "line " << position.line << ", column " << position.column;
}
} // namespace marlox::base

using namespace marlox::base;

namespace {

QByteArray encoded(QStringConverter::Encoding encoding, const QString& text,
                   QStringConverter::Flags flags = QStringConverter::Flag::Default) {
    return QStringEncoder(encoding, flags).encode(text);
}

// The declaration is looked for in every encoding the stream reader may read the markup in, and
// in those only. "+ACU-" is "%" in UTF-7.
TEST(XMLReadingsTest, FindsAParameterEntityDeclarationInEachEncodingTheReaderMayRead) {
    const QString declaration = R"(<!DOCTYPE rss [<!ENTITY % a "x">]><rss/>)";
    const QByteArray inUtf7 = R"(<!DOCTYPE rss [<!ENTITY +ACU- a "x">]><rss/>)";
    using Position = std::optional<TextPosition>;
    const std::tuple<const char*, QByteArray, Position> cases[] = {
        {"as UTF-8", declaration.toUtf8(), TextPosition{1, 15}},
        {"on a later line, after the XML declaration",
         "<?xml version=\"1.0\"?>\r\n<!DOCTYPE rss [\r  <!ENTITY\t% a \"\u00e9\">]><rss/>",
         TextPosition{3, 2}},
        {"in UTF-16 with a byte-order mark",
         encoded(QStringConverter::Utf16LE, declaration, QStringConverter::Flag::WriteBom),
         TextPosition{1, 15}},
        {"in UTF-32 without one", encoded(QStringConverter::Utf32BE, declaration),
         TextPosition{1, 15}},
        {"in the encoding the XML declaration names",
         R"(<?xml version="1.0" encoding="UTF-7"?>)" + inUtf7, TextPosition{1, 53}},
        {"named through character references, in single quotes with blanks",
         R"(<?xml version='1.0' encoding = 'UTF&#45;&#x37;' ?>)" + inUtf7, TextPosition{1, 65}},
        {"named second, which the reader takes",
         R"(<?xml version="1.0" encoding="UTF-8" encoding="UTF-7"?>)" + inUtf7,
         TextPosition{1, 70}},
        {"UTF-7 in a document read as UTF-8", inUtf7, std::nullopt},
        {"a declaration the reader refuses before the type declaration",
         R"( <?xml version="1.0" encoding="UTF-7"?>)" + inUtf7, std::nullopt},
        {"a general entity whose value holds a percent sign",
         R"(<!DOCTYPE rss [<!ENTITY a "% b">]><rss>&a;</rss>)", std::nullopt},
    };
    for (const auto& [name, markup, position] : cases) {
        SCOPED_TRACE(name);
        const XMLReadings readings(markup);
        EXPECT_EQ(readings.parameterEntityDeclaration(), position);
    }
}

} // namespace

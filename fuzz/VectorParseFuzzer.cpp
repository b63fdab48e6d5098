#include "vector/SVGParser.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// Any bytes go through the whole parse: markup reader, index, cascade, value readers and
// element parsers. The parse must end with a tree or none, never a crash or a hang.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::shared_ptr<marlox::vector::SVGNode> root =
        marlox::vector::SVGParser::parseData(bytes);
    if (root) {
        // Reading the tree back touches every node the parse made.
        (void)root->getNode(QStringLiteral("fuzz"));
    }
    return 0;
}

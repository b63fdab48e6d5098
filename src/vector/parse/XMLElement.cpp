#include "vector/XMLElement.h"

#include "vector/SVGConstants.h"
#include "vector/SVGNameTable.h"
#include "vector/XMLEntities.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QXmlStreamReader>

#include <iterator>
#include <span>

namespace marlox::vector {

namespace {

// An element that holds anything mostly holds several items, white space between them included:
// room for a few is made at once rather than by doubling from one.
void appendItem(XMLElement& element, std::unique_ptr<XMLNode> item) {
    constexpr std::size_t firstRoom = 8;
    if (element.contents.capacity() == 0) {
        element.contents.reserve(firstRoom);
    }
    element.contents.push_back(std::move(item));
}

} // namespace

XMLElement::~XMLElement() {
    std::vector<std::unique_ptr<XMLNode>> items = std::move(contents);
    while (!items.empty()) {
        std::unique_ptr<XMLNode> item = std::move(items.back());
        items.pop_back();
        if (item->asElement()) {
            auto& element = static_cast<XMLElement&>(*item);
            std::move(element.contents.begin(), element.contents.end(), std::back_inserter(items));
            element.contents.clear();
        }
    }
}

XMLElement& XMLElement::appendElement(std::unique_ptr<XMLElement> element) {
    XMLElement& appended = *element;
    appended.m_parent = this;
    appendItem(*this, std::move(element));
    return appended;
}

namespace {

XMLText* lastTextRun(XMLElement& element) {
    if (element.contents.empty() || !element.contents.back()->asText()) {
        return nullptr;
    }
    return static_cast<XMLText*>(element.contents.back().get());
}

} // namespace

void XMLElement::appendText(QStringView text) {
    if (XMLText* run = lastTextRun(*this)) {
        run->text += text;
        return;
    }
    appendItem(*this, std::make_unique<XMLText>(text.toString()));
}

namespace {

QString describeError(const QXmlStreamReader& reader) {
    return QStringLiteral("XML error at line %1, column %2: %3")
        .arg(reader.lineNumber())
        .arg(reader.columnNumber())
        .arg(reader.errorString());
}

SVGNameTable<bool> tableOf(std::initializer_list<std::span<const QString>> lists) {
    SVGNameTable<bool> table;
    for (const std::span<const QString> texts : lists) {
        for (const QString& text : texts) {
            table.add(text, true);
        }
    }
    return table;
}

// The element and attribute names the library reads, made once: a document's names that are
// among them share these texts, which copy without touching a reference count.
const SVGNameTable<bool>& knownNames() {
    static const SVGNameTable<bool> names = [] {
        static const QString texts[] = {
            // Elements.
            QStringLiteral("svg"),
            QStringLiteral("g"),
            QStringLiteral("defs"),
            QStringLiteral("use"),
            QStringLiteral("symbol"),
            QStringLiteral("text"),
            QStringLiteral("tspan"),
            QStringLiteral("image"),
            QStringLiteral("rect"),
            QStringLiteral("circle"),
            QStringLiteral("ellipse"),
            QStringLiteral("line"),
            QStringLiteral("polygon"),
            QStringLiteral("polyline"),
            QStringLiteral("path"),
            QStringLiteral("style"),
            QStringLiteral("title"),
            QStringLiteral("desc"),
            QStringLiteral("linearGradient"),
            QStringLiteral("radialGradient"),
            QStringLiteral("stop"),
            QStringLiteral("clipPath"),
            QStringLiteral("mask"),
            // Attributes that are not style properties.
            QStringLiteral("xmlns"),
            QStringLiteral("xmlns:xlink"),
            QStringLiteral("version"),
            QStringLiteral("id"),
            QStringLiteral("xml:id"),
            QStringLiteral("class"),
            QStringLiteral("transform"),
            QStringLiteral("opacity"),
            QStringLiteral("clip-path"),
            QStringLiteral("clipPathUnits"),
            QStringLiteral("viewBox"),
            QStringLiteral("preserveAspectRatio"),
            QStringLiteral("width"),
            QStringLiteral("height"),
            QStringLiteral("x"),
            QStringLiteral("y"),
            QStringLiteral("x1"),
            QStringLiteral("y1"),
            QStringLiteral("x2"),
            QStringLiteral("y2"),
            QStringLiteral("cx"),
            QStringLiteral("cy"),
            QStringLiteral("r"),
            QStringLiteral("rx"),
            QStringLiteral("ry"),
            QStringLiteral("fx"),
            QStringLiteral("fy"),
            QStringLiteral("d"),
            QStringLiteral("points"),
            QStringLiteral("offset"),
            QStringLiteral("gradientUnits"),
            QStringLiteral("gradientTransform"),
            QStringLiteral("xlink:href"),
            QStringLiteral("href"),
        };
        return tableOf({texts, SVGConstants::styleAttributes()});
    }();
    return names;
}

// Attribute values that recur across documents (icon files above all), made once: a value among
// them needs no text of its own.
const SVGNameTable<bool>& commonValues() {
    static const SVGNameTable<bool> values = [] {
        static const QString texts[] = {
            QStringLiteral("none"),
            QStringLiteral("round"),
            QStringLiteral("currentColor"),
            QStringLiteral("0"),
            QStringLiteral("1"),
            QStringLiteral("1.5"),
            QStringLiteral("2"),
            QStringLiteral("3"),
            QStringLiteral("4"),
            QStringLiteral("12"),
            QStringLiteral("16"),
            QStringLiteral("24"),
            QStringLiteral("32"),
            QStringLiteral("0 0 16 16"),
            QStringLiteral("0 0 24 24"),
            QStringLiteral("0 0 32 32"),
            QStringLiteral("http://www.w3.org/2000/svg"),
            QStringLiteral("http://www.w3.org/1999/xlink"),
            QStringLiteral("1.1"),
            QStringLiteral("100%"),
            QStringLiteral("butt"),
            QStringLiteral("square"),
            QStringLiteral("miter"),
            QStringLiteral("bevel"),
            QStringLiteral("evenodd"),
            QStringLiteral("nonzero"),
            QStringLiteral("inherit"),
            QStringLiteral("transparent"),
            QStringLiteral("black"),
            QStringLiteral("white"),
            QStringLiteral("userSpaceOnUse"),
            QStringLiteral("objectBoundingBox"),
        };
        return tableOf({texts});
    }();
    return values;
}

QString valueText(QStringView value) {
    // No common value is longer; longer texts skip the table.
    constexpr qsizetype longestCommon = 28;
    if (value.size() <= longestCommon) {
        if (const auto* common = commonValues().find(value)) {
            return common->first;
        }
    }
    return value.toString();
}

// Texts that repeat throughout a document are stored once and shared, up to a few of them.
class RepeatedTexts {
public:
    explicit RepeatedTexts(std::size_t capacity) : m_capacity(capacity) {}

    QString text(QStringView text) {
        for (const QString& known : m_texts) {
            if (known == text) {
                return known;
            }
        }
        QString added = text.toString();
        if (m_texts.size() < m_capacity) {
            m_texts.push_back(added);
        }
        return added;
    }

private:
    std::size_t m_capacity;
    std::vector<QString> m_texts;
};

// Element and attribute names: the known ones from the table made once, the others from the
// document's own.
class NameTable {
public:
    QString intern(QStringView name) {
        if (const auto* known = knownNames().find(name)) {
            return known->first;
        }
        return m_otherNames.text(name);
    }

private:
    RepeatedTexts m_otherNames{64};
};

// Adjacent character data stays one run, as XMLElement::appendText keeps it.
void appendCharacters(XMLElement& element, const QXmlStreamReader& reader,
                      RepeatedTexts& blankRuns) {
    if (reader.isWhitespace() && !lastTextRun(element)) {
        appendItem(element, std::make_unique<XMLText>(blankRuns.text(reader.text())));
        return;
    }
    element.appendText(reader.text());
}

// Builds the tree from the reader's events over `data` until the document ends or the first
// error. `declaresType` tells whether the document had a document type declaration.
std::unique_ptr<XMLElement> buildTree(QXmlStreamReader& reader, const QByteArray& data,
                                      SVGLogger& logger, bool& declaresType) {
    reader.setNamespaceProcessing(false);
    XMLEntityGuard entities(data);
    NameTable names;
    // The white space between elements mostly repeats the same few indentations.
    RepeatedTexts blankRuns(8);
    std::unique_ptr<XMLElement> root;
    std::vector<XMLElement*> stack;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (stack.size() >= static_cast<std::size_t>(DOMParser::maximumDepth)) {
                reader.raiseError(QStringLiteral("Elements are nested deeper than %1 levels.")
                                      .arg(DOMParser::maximumDepth));
                break;
            }
            // The attributes are set in place, in the element that keeps them.
            auto element =
                std::make_unique<XMLElement>(names.intern(reader.qualifiedName()), XMLAttributes());
            const QXmlStreamAttributes readAttributes = reader.attributes();
            element->attributes.reserve(readAttributes.size());
            for (const QXmlStreamAttribute& attribute : readAttributes) {
                element->attributes.insert(names.intern(attribute.qualifiedName()),
                                           valueText(attribute.value()));
            }
            XMLElement* opened = element.get();
            if (!stack.empty()) {
                stack.back()->appendElement(std::move(element));
            } else if (!root) {
                root = std::move(element);
            } else {
                // A second top-level element is an XML error the reader reports next.
                continue;
            }
            stack.push_back(opened);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!stack.empty()) {
                stack.pop_back();
            }
            break;
        case QXmlStreamReader::StartDocument:
            if (const auto refusal = entities.refusalAtStart()) {
                reader.raiseError(*refusal);
            }
            break;
        case QXmlStreamReader::DTD:
            declaresType = true;
            if (const auto refusal = entities.refusalOfDeclarations(reader.entityDeclarations())) {
                reader.raiseError(*refusal);
            }
            break;
        case QXmlStreamReader::Characters:
            // Character data sections are dropped, like comments and processing instructions.
            if (!stack.empty() && !reader.isCDATA()) {
                appendCharacters(*stack.back(), reader, blankRuns);
            }
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        logger.logError(describeError(reader));
    }
    return root;
}

// Making a reader costs about as much as reading a small icon with it, so each thread keeps one
// for its next document. Only a reader that read a whole document without a document type
// declaration is kept: clear() forgets everything else a document leaves in it, but not the
// entities such a declaration defines.
class SpareReader {
public:
    static std::unique_ptr<QXmlStreamReader> take(const QByteArray& data) {
        std::unique_ptr<QXmlStreamReader> reader = std::move(spare());
        if (!reader) {
            reader = std::make_unique<QXmlStreamReader>();
        }
        // The guard holds the entities to their budget; the reader's own bound on each
        // reference must not refuse less.
        reader->setEntityExpansionLimit(DOMParser::maximumEntityExpansion);
        reader->addData(data);
        return reader;
    }

    static void giveBack(std::unique_ptr<QXmlStreamReader> reader, bool declaresType) {
        if (declaresType || reader->hasError()) {
            return;
        }
        reader->clear();
        spare() = std::move(reader);
    }

private:
    static std::unique_ptr<QXmlStreamReader>& spare() {
        thread_local std::unique_ptr<QXmlStreamReader> reader;
        return reader;
    }
};

} // namespace

std::unique_ptr<XMLElement> DOMParser::parseContentsOf(const QUrl& url, SVGLogger& logger) {
    if (!url.isLocalFile()) {
        return nullptr;
    }
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    return parseStream(&file, logger);
}

std::unique_ptr<XMLElement> DOMParser::parseFileURL(const QUrl& url, SVGLogger& logger) {
    return parseContentsOf(url, logger);
}

std::unique_ptr<XMLElement> DOMParser::parseData(const QByteArray& data, SVGLogger& logger) {
    if (data.isEmpty()) {
        return nullptr;
    }
    std::unique_ptr<QXmlStreamReader> reader = SpareReader::take(data);
    bool declaresType = false;
    std::unique_ptr<XMLElement> root = buildTree(*reader, data, logger, declaresType);
    SpareReader::giveBack(std::move(reader), declaresType);
    return root;
}

std::unique_ptr<XMLElement> DOMParser::parseString(const std::optional<QString>& string,
                                                   QStringConverter::Encoding encoding,
                                                   SVGLogger& logger) {
    if (!string) {
        return nullptr;
    }
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(*string);
    // Some encoders replace what they cannot write without flagging it; a round trip shows it.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    if (encoder.hasError() || decoder.hasError() || decoded != *string) {
        return nullptr;
    }
    return parseData(bytes, logger);
}

std::unique_ptr<XMLElement> DOMParser::parseStream(QIODevice* stream, SVGLogger& logger) {
    if (!stream) {
        return nullptr;
    }
    if (!stream->isOpen() && !stream->open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    return parseData(stream->readAll(), logger);
}

} // namespace marlox::vector

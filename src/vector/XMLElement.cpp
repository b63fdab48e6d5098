#include "vector/XMLElement.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QXmlStreamReader>

namespace marlox::vector {

const QString* XMLAttributes::find(QStringView name) const {
    for (const Entry& entry : m_entries) {
        if (entry.first == name) {
            return &entry.second;
        }
    }
    return nullptr;
}

std::optional<QString> XMLAttributes::value(QStringView name) const {
    if (const QString* found = find(name)) {
        return *found;
    }
    return std::nullopt;
}

void XMLAttributes::set(const QString& name, const QString& value) {
    for (Entry& entry : m_entries) {
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    }
    m_entries.emplace_back(name, value);
}

XMLElement& XMLElement::appendElement(std::unique_ptr<XMLElement> element) {
    XMLElement& appended = *element;
    appended.m_parent = this;
    contents.push_back(std::move(element));
    return appended;
}

void XMLElement::appendText(QStringView text) {
    if (!contents.empty()) {
        if (auto* run = dynamic_cast<XMLText*>(contents.back().get())) {
            run->text += text;
            return;
        }
    }
    contents.push_back(std::make_unique<XMLText>(text.toString()));
}

namespace {

QString describeError(const QXmlStreamReader& reader) {
    return QStringLiteral("XML error at line %1, column %2: %3")
        .arg(reader.lineNumber())
        .arg(reader.columnNumber())
        .arg(reader.errorString());
}

// Element and attribute names repeat throughout a document: each distinct one is stored once
// and shared.
class NameTable {
public:
    QString intern(QStringView name) {
        for (const QString& known : m_names) {
            if (known == name) {
                return known;
            }
        }
        QString added = name.toString();
        if (m_names.size() < maximumNames) {
            m_names.push_back(added);
        }
        return added;
    }

private:
    static constexpr std::size_t maximumNames = 64;
    std::vector<QString> m_names;
};

// Builds the tree from the reader's events until the document ends or the first error.
std::unique_ptr<XMLElement> buildTree(QXmlStreamReader& reader, SVGLogger& logger) {
    reader.setNamespaceProcessing(false);
    NameTable names;
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
            XMLAttributes attributes;
            const QXmlStreamAttributes readAttributes = reader.attributes();
            attributes.reserve(static_cast<std::size_t>(readAttributes.size()));
            for (const QXmlStreamAttribute& attribute : readAttributes) {
                attributes.set(names.intern(attribute.qualifiedName()),
                               attribute.value().toString());
            }
            auto element = std::make_unique<XMLElement>(names.intern(reader.qualifiedName()),
                                                        std::move(attributes));
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
        case QXmlStreamReader::Characters:
            // Character data sections are dropped, like comments and processing instructions.
            if (!stack.empty() && !reader.isCDATA()) {
                stack.back()->appendText(reader.text());
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
    QXmlStreamReader reader(data);
    return buildTree(reader, logger);
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

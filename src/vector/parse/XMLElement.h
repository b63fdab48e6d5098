#pragma once

#include "vector/SVGNames.h"
#include "vector/SVGSettings.h"

#include <QString>
#include <QStringConverter>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QIODevice;

namespace marlox::vector {

class XMLElement;
class XMLText;

// An item of an element's contents: a child element or a run of text.
class XMLNode {
public:
    virtual ~XMLNode() = default;
    virtual const XMLElement* asElement() const { return nullptr; }
    virtual const XMLText* asText() const { return nullptr; }
};

class XMLText final : public XMLNode {
public:
    explicit XMLText(QString text) : text(std::move(text)) {}
    const XMLText* asText() const override { return this; }

    QString text;
};

// Attributes in the order the markup gives them; names keep their prefixes ("xlink:href").
// Most elements carry a handful of attributes; they stay inside the element.
class XMLAttributes : public NamedTextList<6> {
public:
    using NamedTextList::NamedTextList;

    std::optional<QString> value(QStringView name) const {
        if (const QString* found = find(name)) {
            return *found;
        }
        return std::nullopt;
    }
};

class XMLElement final : public XMLNode {
public:
    XMLElement(QString name, XMLAttributes attributes)
        : name(std::move(name)), attributes(std::move(attributes)) {}
    // Takes the tree apart level by level: one built in code may be deeper than the stack.
    ~XMLElement() override;
    XMLElement(const XMLElement&) = delete;
    XMLElement& operator=(const XMLElement&) = delete;

    const XMLElement* asElement() const override { return this; }

    XMLElement& appendElement(std::unique_ptr<XMLElement> element);
    // Appends to the last text run when the contents end with one, so that adjacent character
    // data stays one run.
    void appendText(QStringView text);

    // The element whose contents hold this one; none for a root.
    const XMLElement* parent() const { return m_parent; }

    const QString name;
    std::vector<std::unique_ptr<XMLNode>> contents;
    XMLAttributes attributes;

private:
    const XMLElement* m_parent = nullptr;
};

// Reads markup into an element tree. An XML error is written as one line through the logger and
// stops the read; the elements read before it stay in the tree. Elements nested deeper than
// `maximumDepth` count as an XML error. The entities a document declares for itself are expanded
// when their references add at most `maximumEntityExpansion` characters in all and nest at most
// `maximumEntityNesting` deep; a document with more, or with parameter entities, is refused as
// such an error before anything is expanded. Nothing outside the document is read: references to
// external entities stay unexpanded.
struct DOMParser {
    static constexpr int maximumDepth = 256;
    static constexpr int maximumEntityExpansion = 1 << 20;
    static constexpr int maximumEntityNesting = 16;

    static std::unique_ptr<XMLElement> parseContentsOf(const QUrl& url, SVGLogger& logger);
    static std::unique_ptr<XMLElement> parseFileURL(const QUrl& url, SVGLogger& logger);
    static std::unique_ptr<XMLElement> parseData(const QByteArray& data, SVGLogger& logger);
    static std::unique_ptr<XMLElement> parseString(const std::optional<QString>& string,
                                                   QStringConverter::Encoding encoding,
                                                   SVGLogger& logger);
    static std::unique_ptr<XMLElement> parseStream(QIODevice* stream, SVGLogger& logger);
};

} // namespace marlox::vector

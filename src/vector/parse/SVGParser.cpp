#include "vector/SVGParser.h"

#include "vector/SVGAttribute.h"
#include "vector/SVGElementParsers.h"
#include "vector/SVGIndex.h"
#include "vector/SVGNameTable.h"

namespace marlox::vector {

namespace {

const SVGNameTable<const SVGElementParser*>& elementParsers() {
    static const SVGViewportParser viewport;
    static const SVGGroupParser group;
    static const SVGUseParser use;
    static const SVGTextParser text;
    static const SVGImageParser image;
    static const SVGRectParser rect;
    static const SVGCircleParser circle;
    static const SVGEllipseParser ellipse;
    static const SVGLineParser line;
    static const SVGPolygonParser polygon;
    static const SVGPolylineParser polyline;
    static const SVGPathParser path;
    static const SVGNameTable<const SVGElementParser*> table = [] {
        const std::pair<QString, const SVGElementParser*> entries[] = {
            {QStringLiteral("svg"), &viewport},      {QStringLiteral("g"), &group},
            {QStringLiteral("use"), &use},           {QStringLiteral("text"), &text},
            {QStringLiteral("image"), &image},       {QStringLiteral("rect"), &rect},
            {QStringLiteral("circle"), &circle},     {QStringLiteral("ellipse"), &ellipse},
            {QStringLiteral("line"), &line},         {QStringLiteral("polygon"), &polygon},
            {QStringLiteral("polyline"), &polyline}, {QStringLiteral("path"), &path},
        };
        SVGNameTable<const SVGElementParser*> parsers;
        for (const auto& [name, parser] : entries) {
            parsers.add(name, parser);
        }
        return parsers;
    }();
    return table;
}

// Percentages and the diagonal refer to the root viewBox's size, else to 100 by 100.
void measureScreen(const XMLElement& root, SVGRootContext& rootContext) {
    if (root.name == u"svg") {
        if (const std::optional<QRectF> viewBox = parseViewBox(root.attributes, rootContext)) {
            rootContext.screen.width = viewBox->width();
            rootContext.screen.height = viewBox->height();
        }
    }
}

// Markup begins with a tag, perhaps after white space or a byte-order mark.
bool looksLikeMarkup(const QByteArray& bytes) {
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    return text.trimmed().startsWith('<');
}

std::shared_ptr<SVGNode> parseDocument(const XMLElement* root, const SVGSettings& settings,
                                       std::shared_ptr<SVGLinker> linker, int embeddingDepth = 0) {
    if (!root) {
        return nullptr;
    }
    auto index = std::make_shared<SVGIndex>();
    index->fill(*root);

    SVGRootContext rootContext;
    rootContext.logger = settings.logger;
    rootContext.linker = std::move(linker);
    rootContext.screen = SVGScreen{settings.ppi, 100, 100};
    rootContext.index = std::move(index);
    rootContext.defaultFontSize = settings.fontSize;
    rootContext.embeddingDepth = embeddingDepth;
    rootContext.documentReader = SVGParser::parseEmbedded;
    measureScreen(*root, rootContext);
    return SVGParser::parse(SVGNodeContext::makeRoot(std::move(rootContext), *root));
}

} // namespace

const SVGElementParser* SVGParser::elementParser(const QString& name) {
    const auto* found = elementParsers().find(name);
    return found ? found->second : nullptr;
}

std::shared_ptr<SVGNode> SVGParser::parse(const SVGNodeContext& context) {
    const SVGElementParser* parser = elementParser(context.element().name);
    if (!parser) {
        return nullptr;
    }
    return parser->parse(
        context, [&context](const XMLElement& child, SVGReach reach) -> std::shared_ptr<SVGNode> {
            const std::optional<SVGNodeContext> childContext = context.create(child, reach);
            return childContext ? parse(*childContext) : nullptr;
        });
}

std::shared_ptr<SVGNode> SVGParser::parseContentsOf(const QUrl& url, const SVGSettings& settings) {
    const std::unique_ptr<XMLElement> root = DOMParser::parseContentsOf(url, *settings.logger);
    std::shared_ptr<SVGLinker> linker =
        settings.linker == SVGLinker::none() ? SVGLinker::relative(url) : settings.linker;
    return parseDocument(root.get(), settings, std::move(linker));
}

std::shared_ptr<SVGNode> SVGParser::parseFileURL(const QUrl& url) {
    return parseContentsOf(url, SVGSettings::defaults());
}

std::shared_ptr<SVGNode> SVGParser::parseData(const QByteArray& data, const SVGSettings& settings) {
    const std::unique_ptr<XMLElement> root = DOMParser::parseData(data, *settings.logger);
    return parseDocument(root.get(), settings, settings.linker);
}

std::shared_ptr<SVGNode> SVGParser::parseString(const QString& string,
                                                const SVGSettings& settings) {
    return parseData(string.toUtf8(), settings);
}

std::shared_ptr<SVGNode> SVGParser::parseStream(QIODevice* stream, const SVGSettings& settings) {
    const std::unique_ptr<XMLElement> root = DOMParser::parseStream(stream, *settings.logger);
    return parseDocument(root.get(), settings, settings.linker);
}

std::shared_ptr<SVGNode> SVGParser::parseEmbedded(const QByteArray& data, int embeddingDepth) {
    if (embeddingDepth > maximumEmbeddingDepth || !looksLikeMarkup(data)) {
        return nullptr;
    }
    const SVGSettings& settings = SVGSettings::defaults();
    const std::unique_ptr<XMLElement> root = DOMParser::parseData(data, *settings.logger);
    return parseDocument(root.get(), settings, settings.linker, embeddingDepth);
}

std::shared_ptr<SVGNode> SVGParser::parseXML(const XMLElement* root, const SVGSettings& settings) {
    return parseDocument(root, settings, settings.linker);
}

} // namespace marlox::vector

#pragma once

#include "vector/SVGContext.h"
#include "vector/SVGNode.h"
#include "vector/SVGSettings.h"
#include "vector/XMLElement.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>

class QIODevice;

namespace marlox::vector {

class SVGElementParser;

// Turns markup into a node tree. Nothing here fails with an error: a problem ends as a partial
// tree or as no tree, with a line on standard output where one is reported.
struct SVGParser {
    // A markup file; with the shared SVGLinker::none() the file's folder resolves images.
    static std::shared_ptr<SVGNode>
    parseContentsOf(const QUrl& url, const SVGSettings& settings = SVGSettings::defaults());
    static std::shared_ptr<SVGNode> parseFileURL(const QUrl& url);
    static std::shared_ptr<SVGNode>
    parseData(const QByteArray& data, const SVGSettings& settings = SVGSettings::defaults());
    static std::shared_ptr<SVGNode>
    parseString(const QString& string, const SVGSettings& settings = SVGSettings::defaults());
    static std::shared_ptr<SVGNode>
    parseStream(QIODevice* stream, const SVGSettings& settings = SVGSettings::defaults());
    static std::shared_ptr<SVGNode> parseXML(const XMLElement* root,
                                             const SVGSettings& settings = SVGSettings::defaults());

    // The document that an image's bytes hold when they are markup, read with the default
    // settings; `embeddingDepth` counts the images it lies within, the one holding it included.
    // Nothing for other bytes, nor past a few levels, so that images inside images cannot exhaust
    // the stack.
    static std::shared_ptr<SVGNode> parseEmbedded(const QByteArray& data, int embeddingDepth);
    static constexpr int maximumEmbeddingDepth = 2;

    // The node of one element: the parser its name selects, or nothing for a name outside the
    // table.
    static std::shared_ptr<SVGNode> parse(const SVGNodeContext& context);

    // The parser of each supported element name, made once.
    static const SVGElementParser* elementParser(const QString& name);
};

} // namespace marlox::vector

#include "vector/SVGElementParsers.h"

#include "vector/PathReader.h"
#include "vector/SVGAttribute.h"
#include "vector/SVGCharacters.h"
#include "vector/SVGGroup.h"
#include "vector/SVGHelper.h"
#include "vector/SVGImage.h"
#include "vector/SVGIndex.h"
#include "vector/SVGPaintReader.h"
#include "vector/SVGPath.h"
#include "vector/SVGScanner.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"
#include "vector/SVGUserSpaceNode.h"

#include <algorithm>

namespace marlox::vector {

namespace {

const QString clipRecursionMessage =
    QStringLiteral("SVG parsing error. clip-path recursion detected!");

std::optional<QString> property(const SVGNodeContext& context, QStringView name) {
    if (const QString* found = context.properties().find(name)) {
        return *found;
    }
    return std::nullopt;
}

std::optional<QString> style(const SVGNodeContext& context, QStringView name) {
    if (const QString* found = context.styles().find(name)) {
        return *found;
    }
    return std::nullopt;
}

std::optional<double> numberProperty(const SVGNodeContext& context, QStringView name) {
    const std::optional<QString> text = property(context, name);
    return text ? SVGHelper::parseNumber(*text) : std::nullopt;
}

double clampedOpacity(std::optional<double> opacity) {
    return std::clamp(opacity.value_or(1.0), 0.0, 1.0);
}

QList<std::shared_ptr<SVGNode>> parseChildren(const SVGNodeContext& context,
                                              const SVGParseDelegate& delegate) {
    QList<std::shared_ptr<SVGNode>> children;
    // At most one node per item: growing a long list step by step costs more than the spare room.
    children.reserve(static_cast<qsizetype>(context.element().contents.size()));
    for (const auto& item : context.element().contents) {
        if (const XMLElement* child = item->asElement()) {
            if (std::shared_ptr<SVGNode> node = delegate(*child, SVGReach::content)) {
                children.append(std::move(node));
            }
        }
    }
    return children;
}

// The fill a shape or text gets from its styles: the "fill" paint when there is one ("none"
// gives none), else black at the fill or element opacity.
std::shared_ptr<const SVGPaint> readFill(const SVGNodeContext& context) {
    const SVGIndex& index = *context.root().index;
    const SVGStyleMap& styles = context.styles();
    if (const QString* fill = styles.find(u"fill")) {
        return SVGHelper::parsePaint(*fill, styles, index);
    }
    std::optional<double> opacity;
    if (const QString* fillOpacity = styles.find(u"fill-opacity")) {
        opacity = SVGHelper::parseNumber(*fillOpacity);
    }
    if (!opacity) {
        if (const QString* elementOpacity = styles.find(u"opacity")) {
            opacity = SVGHelper::parseNumber(*elementOpacity);
        }
    }
    return SVGColor::black()->opacity(clampedOpacity(opacity));
}

// A paint read from the context's styles, or the one read before from the same shared styles.
// A reading that wrote a line is not kept, so that every element writes its own.
template <typename Paint, typename Read>
std::shared_ptr<const Paint>
remembered(const SVGNodeContext& context,
           std::optional<std::shared_ptr<const Paint>> SVGPaintMemo::*slot, Read read) {
    SVGPaintMemo& memo = *context.root().paintMemo;
    if (memo.styles != context.sharedStyles()) {
        memo = SVGPaintMemo{context.sharedStyles(), std::nullopt, std::nullopt};
    }
    if (const std::optional<std::shared_ptr<const Paint>>& kept = memo.*slot) {
        return *kept;
    }
    const quint64 printedBefore = printedLineCount();
    std::shared_ptr<const Paint> paint = read();
    if (printedLineCount() == printedBefore) {
        memo.*slot = paint;
    }
    return paint;
}

std::shared_ptr<const SVGPaint> parseFill(const SVGNodeContext& context) {
    return remembered(context, &SVGPaintMemo::fill, [&context] { return readFill(context); });
}

std::shared_ptr<const SVGStroke> parseStroke(const SVGNodeContext& context) {
    return remembered(context, &SVGPaintMemo::stroke, [&context] {
        return SVGHelper::parseStroke(context.styles(), *context.root().index);
    });
}

SVGLength parseViewportLength(const std::optional<QString>& text) {
    if (text) {
        if (text->endsWith(u'%')) {
            if (const std::optional<double> percent = readDouble(QStringView(*text).chopped(1))) {
                return SVGLength::percent(*percent);
            }
        }
        if (const std::optional<double> pixels = readDouble(*text)) {
            return SVGLength::pixels(*pixels);
        }
    }
    return SVGLength::percent(100);
}

SVGPreserveAspectRatio::Scaling scalingOf(QStringView word) {
    if (word == u"meet") {
        return SVGPreserveAspectRatio::Scaling::meet;
    }
    if (word == u"slice") {
        return SVGPreserveAspectRatio::Scaling::slice;
    }
    return SVGPreserveAspectRatio::Scaling::none;
}

// "xMin" or "YMax": the letters after the first, in any case.
SVGPreserveAspectRatio::Align alignOf(QStringView fourLetters) {
    const QString name =
        fourLetters.sliced(std::min<qsizetype>(1, fourLetters.size())).toString().toLower();
    if (name == u"min") {
        return SVGPreserveAspectRatio::Align::min;
    }
    if (name == u"max") {
        return SVGPreserveAspectRatio::Align::max;
    }
    return SVGPreserveAspectRatio::Align::mid;
}

// Parses the element a "clip-path" names, unless it leads back to an element on the way to
// this one: then the clip is left out with one line.
std::optional<std::shared_ptr<SVGNode>> parseClip(const SVGNodeContext& context,
                                                  const SVGParseDelegate& delegate,
                                                  const XMLElement& target) {
    SVGParseGuards& guards = *context.root().guards;
    if (const SVGNodeContext* onPath = context.findOnPath(target)) {
        printLine(clipRecursionMessage);
        // Every clip opened on the way from that element belongs to the cycle.
        for (SVGParseGuards::OpenClip& open : guards.openClips) {
            if (open.depth >= onPath->depth()) {
                open.closesCycle = true;
            }
        }
        return std::shared_ptr<SVGNode>();
    }
    guards.openClips.push_back({context.depth(), false});
    std::shared_ptr<SVGNode> node = delegate(target, SVGReach::reference);
    const bool closesCycle = guards.openClips.back().closesCycle;
    guards.openClips.pop_back();
    if (closesCycle) {
        return std::shared_ptr<SVGNode>();
    }
    if (!node) {
        return std::nullopt;
    }
    const auto userSpace = target.attributes.value(u"clipPathUnits") == u"userSpaceOnUse"
                               ? SVGUserSpaceNode::UserSpace::userSpaceOnUse
                               : SVGUserSpaceNode::UserSpace::objectBoundingBox;
    return std::make_shared<SVGUserSpaceNode>(std::move(node), userSpace);
}

} // namespace

std::shared_ptr<SVGNode> SVGBaseElementParser::parse(const SVGNodeContext& context,
                                                     const SVGParseDelegate& delegate) const {
    std::shared_ptr<SVGNode> node = doParse(context, delegate);
    if (!node) {
        return nullptr;
    }
    // Fields are only written when they change: each write is announced to observers.
    if (const QString* transformText = context.properties().find(u"transform")) {
        const QTransform transform = SVGHelper::parseTransform(*transformText, QTransform());
        if (!transform.isIdentity()) {
            node->setTransform(node->transform() * transform);
        }
    }
    // A fresh node has opacity 1; a "use" target keeps its own, multiplied by the use's.
    const double opacity = node->opacity() * clampedOpacity(numberProperty(context, u"opacity"));
    if (opacity != node->opacity()) {
        node->setOpacity(opacity);
    }

    if (std::optional<QString> clipPath = property(context, u"clip-path")) {
        clipPath->remove(QStringLiteral("url(#"));
        clipPath->remove(u')');
        if (const XMLElement* target = context.root().index->element(*clipPath)) {
            if (std::optional<std::shared_ptr<SVGNode>> clip =
                    parseClip(context, delegate, *target)) {
                node->setClip(std::move(*clip));
            }
        }
    }

    std::optional<QString> id = property(context, u"id");
    if (!id) {
        id = property(context, u"xml:id");
    }
    if (id != node->id()) {
        node->setId(std::move(id));
    }
    return node;
}

std::shared_ptr<SVGNode> SVGBaseElementParser::doParse(const SVGNodeContext&,
                                                       const SVGParseDelegate&) const {
    return nullptr;
}

std::shared_ptr<SVGNode> SVGViewportParser::doParse(const SVGNodeContext& context,
                                                    const SVGParseDelegate& delegate) const {
    return std::make_shared<SVGViewport>(
        parseViewportLength(property(context, u"width")),
        parseViewportLength(property(context, u"height")),
        parseViewBox(context.element().attributes, context),
        parsePreserveAspectRatio(property(context, u"preserveAspectRatio")),
        parseChildren(context, delegate));
}

std::shared_ptr<SVGNode> SVGGroupParser::doParse(const SVGNodeContext& context,
                                                 const SVGParseDelegate& delegate) const {
    return std::make_shared<SVGGroup>(parseChildren(context, delegate));
}

std::shared_ptr<SVGNode> SVGUseParser::doParse(const SVGNodeContext& context,
                                               const SVGParseDelegate& delegate) const {
    std::optional<QString> id = property(context, u"xlink:href");
    if (!id) {
        return nullptr;
    }
    id->remove(u'#');
    const XMLElement* target = context.root().index->element(*id);
    if (!target) {
        return nullptr;
    }
    std::shared_ptr<SVGNode> node = delegate(*target, SVGReach::reference);
    if (!node) {
        return nullptr;
    }
    // The target's own transform applies first, then the use's position; the use's own
    // transform follows in the common step.
    const double x = numberProperty(context, u"x").value_or(0);
    const double y = numberProperty(context, u"y").value_or(0);
    node->setTransform(node->transform() * QTransform::fromTranslate(x, y));
    return node;
}

std::shared_ptr<SVGNode> SVGTextParser::doParse(const SVGNodeContext& context,
                                                const SVGParseDelegate&) const {
    const auto& contents = context.element().contents;
    const XMLText* run = contents.empty() ? nullptr : contents.front()->asText();
    if (!run) {
        return nullptr;
    }
    auto font = std::make_shared<const SVGFont>(
        style(context, u"font-family").value_or(QStringLiteral("Serif")),
        SVGFontSizeAttribute::shared().value(context).value_or(context.root().defaultFontSize),
        style(context, u"font-weight").value_or(QStringLiteral("normal")));
    const QString anchor = style(context, u"text-anchor").value_or(QString());
    const Qt::AlignmentFlag alignment = anchor == u"middle" ? Qt::AlignHCenter
                                        : anchor == u"end"  ? Qt::AlignTrailing
                                                            : Qt::AlignLeading;
    const double x = numberProperty(context, u"x").value_or(0);
    const double y = numberProperty(context, u"y").value_or(0);
    return std::make_shared<SVGText>(run->text.simplified(), std::move(font), parseFill(context),
                                     parseStroke(context), alignment,
                                     QTransform::fromTranslate(x, y));
}

std::shared_ptr<SVGNode> SVGImageParser::doParse(const SVGNodeContext& context,
                                                 const SVGParseDelegate&) const {
    const std::optional<QString> href = property(context, u"xlink:href");
    if (!href) {
        return nullptr;
    }
    const double x = numberProperty(context, u"x").value_or(0);
    const double y = numberProperty(context, u"y").value_or(0);
    const double width = numberProperty(context, u"width").value_or(0);
    const double height = numberProperty(context, u"height").value_or(0);

    for (const QStringView mediaType : {u"image/png", u"image/jpg", u"image/svg+xml"}) {
        const QString prefix = QStringLiteral("data:%1;base64,").arg(mediaType);
        if (!href->startsWith(prefix)) {
            continue;
        }
        QByteArray encoded;
        for (const QChar character : QStringView(*href).sliced(prefix.size())) {
            if (isAsciiLetter(character) || isAsciiDigit(character) || character == u'+' ||
                character == u'/' || character == u'=') {
                encoded.append(char(character.unicode()));
            }
        }
        const auto decoded =
            QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
        if (decoded) {
            return std::make_shared<SVGDataImage>(x, y, width, height, *decoded,
                                                  context.root().embeddingDepth,
                                                  context.root().documentReader);
        }
    }

    const SVGLinker::LoadResult loaded = context.root().linker->load(*href);
    if (!loaded) {
        printLine(loaded.error().description());
        return std::make_shared<SVGURLImage>(x, y, width, height, *href, std::nullopt);
    }
    if (!loaded.value()) {
        printLine(QStringLiteral("Couldn't find image `%1`").arg(*href));
    }
    return std::make_shared<SVGURLImage>(x, y, width, height, *href, loaded.value(),
                                         context.root().embeddingDepth,
                                         context.root().documentReader);
}

std::shared_ptr<SVGNode> SVGShapeParser::doParse(const SVGNodeContext& context,
                                                 const SVGParseDelegate&) const {
    std::shared_ptr<SVGShape> shape = parseShape(context);
    if (!shape) {
        return nullptr;
    }
    shape->setFill(parseFill(context));
    shape->setStroke(parseStroke(context));
    return shape;
}

std::shared_ptr<SVGShape> SVGShapeParser::parseShape(const SVGNodeContext&) const {
    return nullptr;
}

std::shared_ptr<SVGShape> SVGRectParser::parseShape(const SVGNodeContext& context) const {
    const std::optional<double> rx = SVGAttributes::rx.value(context);
    const std::optional<double> ry = SVGAttributes::ry.value(context);
    return std::make_shared<SVGRect>(SVGAttributes::x.value(context).value_or(0),
                                     SVGAttributes::y.value(context).value_or(0),
                                     SVGAttributes::width.value(context).value_or(0),
                                     SVGAttributes::height.value(context).value_or(0),
                                     rx.value_or(ry.value_or(0)), ry.value_or(rx.value_or(0)));
}

std::shared_ptr<SVGShape> SVGCircleParser::parseShape(const SVGNodeContext& context) const {
    return std::make_shared<SVGCircle>(SVGAttributes::cx.value(context).value_or(0),
                                       SVGAttributes::cy.value(context).value_or(0),
                                       SVGAttributes::r.value(context).value_or(0));
}

std::shared_ptr<SVGShape> SVGEllipseParser::parseShape(const SVGNodeContext& context) const {
    return std::make_shared<SVGEllipse>(
        SVGAttributes::cx.value(context).value_or(0), SVGAttributes::cy.value(context).value_or(0),
        SVGAttributes::rx.value(context).value_or(0), SVGAttributes::ry.value(context).value_or(0));
}

std::shared_ptr<SVGShape> SVGLineParser::parseShape(const SVGNodeContext& context) const {
    return std::make_shared<SVGLine>(
        SVGAttributes::x1.value(context).value_or(0), SVGAttributes::y1.value(context).value_or(0),
        SVGAttributes::x2.value(context).value_or(0), SVGAttributes::y2.value(context).value_or(0));
}

std::shared_ptr<SVGShape> SVGPolygonParser::parseShape(const SVGNodeContext& context) const {
    return std::make_shared<SVGPolygon>(
        SVGHelper::parsePoints(property(context, u"points").value_or(QString())));
}

std::shared_ptr<SVGShape> SVGPolylineParser::parseShape(const SVGNodeContext& context) const {
    return std::make_shared<SVGPolyline>(
        SVGHelper::parsePoints(property(context, u"points").value_or(QString())));
}

std::shared_ptr<SVGShape> SVGPathParser::parseShape(const SVGNodeContext& context) const {
    const Qt::FillRule fillRule =
        style(context, u"fill-rule") == u"evenodd" ? Qt::OddEvenFill : Qt::WindingFill;
    return std::make_shared<SVGPath>(
        PathReader::readAll(property(context, u"d").value_or(QString())), fillRule);
}

SVGPreserveAspectRatio parsePreserveAspectRatio(const std::optional<QString>& text) {
    if (!text) {
        return {};
    }
    const QList<QStringView> words = QStringView(*text).split(u' ');
    switch (words.size()) {
    case 1:
        return {scalingOf(words[0]), SVGPreserveAspectRatio::Align::mid,
                SVGPreserveAspectRatio::Align::mid};
    case 2:
        return {scalingOf(words[1]),
                alignOf(words[0].first(std::min<qsizetype>(4, words[0].size()))),
                alignOf(words[0].last(std::min<qsizetype>(4, words[0].size())))};
    default:
        printLine(QStringLiteral("Invalid content mode %1").arg(*text));
        return {};
    }
}

} // namespace marlox::vector

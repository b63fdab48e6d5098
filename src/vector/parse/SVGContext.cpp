#include "vector/SVGContext.h"

#include "vector/SVGConstants.h"
#include "vector/SVGIndex.h"
#include "vector/SVGViewBox.h"

namespace marlox::vector {

namespace {

const QString useRecursionMessage = QStringLiteral("<use> recursion detected!");
const QString referenceLimitMessage =
    QStringLiteral("SVG parsing error. References make more than %1 nodes; the rest is left out")
        .arg(SVGParseGuards::maximumReferencedNodes);
const QString depthLimitMessage =
    QStringLiteral("SVG parsing error. Elements are nested deeper than %1 levels through "
                   "references; the rest is left out")
        .arg(SVGParseGuards::maximumDepth);

} // namespace

SVGStyleMap collectStyles(const XMLElement& element, const SVGIndex& index) {
    SVGStyleMap styles;
    for (const auto& [name, value] : element.attributes) {
        if (value != u"inherit" && SVGConstants::isStyleAttribute(name)) {
            styles.insert(name, value);
        }
    }
    for (const auto& [name, value] : index.cssParser.getStyles(element)) {
        if (!styles.contains(name)) {
            styles.insert(name, value);
        }
    }
    if (const QString* style = element.attributes.find(u"style")) {
        QString declarations = *style;
        declarations.remove(u' ');
        setDeclarations(styles, declarations);
    }
    const QString* fill = styles.find(u"fill");
    if (fill && *fill == u"currentColor") {
        if (const QString* color = styles.find(u"color")) {
            styles.insert(QStringLiteral("fill"), *color);
        }
    }
    return styles;
}

SVGStyleMap collectProperties(const XMLAttributes& attributes) {
    SVGStyleMap properties;
    for (const auto& [name, value] : attributes) {
        if (!SVGConstants::isStyleAttribute(name)) {
            properties.insert(name, value);
        }
    }
    return properties;
}

SVGStyleMap mergeStyles(const SVGStyleMap& own, const SVGStyleMap& inherited) {
    if (own.isEmpty()) {
        return inherited;
    }
    if (inherited.isEmpty()) {
        return own;
    }
    SVGStyleMap merged = inherited;
    for (const auto& [name, value] : own) {
        merged.insert(name, value);
    }
    return merged;
}

SVGNodeContext::SVGNodeContext(std::shared_ptr<const SVGRootContext> root,
                               const XMLElement& element, QStringList useIds,
                               std::shared_ptr<const SVGStyleMap> styles,
                               const SVGNodeContext* parent, bool throughReference)
    : m_root(std::move(root)), m_element(&element), m_useIds(std::move(useIds)),
      m_styles(std::move(styles)), m_parent(parent), m_depth(parent ? parent->m_depth + 1 : 0),
      m_throughReference(throughReference) {}

SVGNodeContext SVGNodeContext::makeRoot(SVGRootContext root, const XMLElement& element) {
    // Own styles laid over none are the own styles.
    auto styles = std::make_shared<const SVGStyleMap>(collectStyles(element, *root.index));
    return SVGNodeContext(std::make_shared<const SVGRootContext>(std::move(root)), element, {},
                          std::move(styles), nullptr, false);
}

std::optional<SVGNodeContext> SVGNodeContext::create(const XMLElement& child,
                                                     SVGReach reach) const {
    QStringList useIds = m_useIds;
    if (child.name == u"use") {
        if (const QString* href = child.attributes.find(u"xlink:href")) {
            QString id = *href;
            id.remove(u'#');
            if (useIds.contains(id)) {
                printLine(useRecursionMessage);
                return std::nullopt;
            }
            useIds.append(id);
        }
    }

    SVGParseGuards& guards = *m_root->guards;
    if (m_depth + 1 > SVGParseGuards::maximumDepth) {
        if (!guards.reportedDepthLimit) {
            guards.reportedDepthLimit = true;
            printLine(depthLimitMessage);
        }
        return std::nullopt;
    }
    // A child that is not in this element's contents is a "use" target or a clip.
    const bool throughReference =
        m_throughReference || reach == SVGReach::reference || child.parent() != m_element;
    if (throughReference) {
        if (guards.referencedNodes >= SVGParseGuards::maximumReferencedNodes) {
            if (!guards.reportedReferenceLimit) {
                guards.reportedReferenceLimit = true;
                printLine(referenceLimitMessage);
            }
            return std::nullopt;
        }
        ++guards.referencedNodes;
    }

    std::shared_ptr<const SVGRootContext> root = m_root;
    if (child.name == u"svg") {
        if (const std::optional<QRectF> viewBox = parseViewBox(child.attributes, *m_root)) {
            auto narrowed = std::make_shared<SVGRootContext>(*m_root);
            narrowed->screen.width = viewBox->width();
            narrowed->screen.height = viewBox->height();
            root = std::move(narrowed);
        }
    }
    const SVGStyleMap own = collectStyles(child, *m_root->index);
    std::shared_ptr<const SVGStyleMap> styles =
        own.isEmpty() ? m_styles : std::make_shared<const SVGStyleMap>(mergeStyles(own, *m_styles));
    return SVGNodeContext(std::move(root), child, std::move(useIds), std::move(styles), this,
                          throughReference);
}

const SVGNodeContext* SVGNodeContext::findOnPath(const XMLElement& element) const {
    for (const SVGNodeContext* context = this; context; context = context->m_parent) {
        if (context->m_element == &element) {
            return context;
        }
    }
    return nullptr;
}

} // namespace marlox::vector

#include "vector/SVGGradientReader.h"

#include "vector/SVGHelper.h"
#include "vector/SVGPaintReader.h"
#include "vector/SVGScanner.h"
#include "vector/SVGStyleMap.h"

#include <cmath>

namespace marlox::vector {
namespace {

const QString ovalRadialGradientMessage =
    QStringLiteral("SVG parsing error. No oval radial gradients supported");

// Stop colours look up "currentColor" among the gradient element's own attributes.
SVGStyleMap attributeMap(const XMLAttributes& attributes) {
    SVGStyleMap map;
    for (const auto& [name, value] : attributes) {
        map.insert(name, value);
    }
    return map;
}

// A plain number or a percentage as a fraction; the default when absent or unreadable.
double numberAttribute(const XMLElement& element, QStringView name, double defaultValue) {
    const QString* text = element.attributes.find(name);
    if (!text) {
        return defaultValue;
    }
    if (text->contains(u'%')) {
        QString number = *text;
        number.remove(u'%');
        const std::optional<double> percent = readDouble(number);
        return percent ? *percent / 100 : defaultValue;
    }
    return SVGHelper::parseNumber(*text).value_or(defaultValue);
}

SVGStop parseStop(const XMLElement& element, const SVGStyleMap& attributes) {
    const double offset = numberAttribute(element, u"offset", 0);
    const double opacity = element.attributes.find(u"stop-opacity")
                               ? readDouble(*element.attributes.find(u"stop-opacity")).value_or(1)
                               : 1;
    SVGColor color = SVGColor(0).withOpacity(opacity);
    if (const QString* stopColor = element.attributes.find(u"stop-color")) {
        if (const std::optional<SVGColor> parsed = SVGHelper::parseColor(*stopColor, attributes)) {
            color = parsed->withOpacity(opacity);
        }
    }
    return SVGStop(color, offset);
}

QList<SVGStop> parseStops(const std::vector<std::unique_ptr<XMLNode>>& contents,
                          const SVGStyleMap& attributes) {
    QList<SVGStop> stops;
    for (const auto& item : contents) {
        if (const XMLElement* stop = item->asElement()) {
            stops.append(parseStop(*stop, attributes));
        }
    }
    return stops;
}

// The stops of a gradient: its own when it has any content at all (white space between its tags
// counts), else those of the gradient it references.
QList<SVGStop> gradientStops(const XMLElement& element, const SVGGradient* parent) {
    if (!element.contents.empty()) {
        return parseStops(element.contents, attributeMap(element.attributes));
    }
    return parent ? parent->stops() : QList<SVGStop>();
}

// One stop paints its colour and no stop paints nothing; only two or more make a gradient.
std::optional<std::shared_ptr<const SVGPaint>> paintOfFewStops(const QList<SVGStop>& stops) {
    if (stops.size() == 1) {
        return std::make_shared<const SVGColor>(stops.front().color());
    }
    if (stops.isEmpty()) {
        return std::shared_ptr<const SVGPaint>();
    }
    return std::nullopt;
}

bool gradientUserSpace(const XMLElement& element, const SVGGradient* parent) {
    if (element.attributes.value(u"gradientUnits") == u"userSpaceOnUse") {
        return true;
    }
    return parent && parent->userSpace();
}

std::optional<QTransform> gradientTransform(const XMLElement& element) {
    if (const QString* text = element.attributes.find(u"gradientTransform")) {
        return SVGHelper::parseTransform(*text, QTransform());
    }
    return std::nullopt;
}

// The gradient read earlier that "xlink:href" names.
std::shared_ptr<const SVGGradient> referencedGradient(const XMLElement& element,
                                                      const SVGPaintsByID& paints) {
    QString href = element.attributes.value(u"xlink:href").value_or(QString());
    href.remove(u' ');
    if (!href.startsWith(u'#')) {
        return nullptr;
    }
    href.remove(u'#');
    const std::shared_ptr<const SVGPaint> paint = paints.value(href);
    if (!paint || paint->kind() == SVGPaintKind::color) {
        return nullptr;
    }
    return std::static_pointer_cast<const SVGGradient>(paint);
}

} // namespace

std::shared_ptr<const SVGPaint> readLinearGradient(const XMLElement& element,
                                                   const SVGPaintsByID& paints) {
    const std::shared_ptr<const SVGGradient> parent = referencedGradient(element, paints);
    QList<SVGStop> stops = gradientStops(element, parent.get());
    if (const auto paint = paintOfFewStops(stops)) {
        return *paint;
    }
    const auto* linearParent = parent && parent->kind() == SVGPaintKind::linearGradient
                                   ? static_cast<const SVGLinearGradient*>(parent.get())
                                   : nullptr;
    QPointF start(numberAttribute(element, u"x1", linearParent ? linearParent->x1() : 0),
                  numberAttribute(element, u"y1", linearParent ? linearParent->y1() : 0));
    QPointF end(numberAttribute(element, u"x2", linearParent ? linearParent->x2() : 1),
                numberAttribute(element, u"y2", linearParent ? linearParent->y2() : 0));
    // The gradient keeps no transform of its own: its end points carry it.
    if (const std::optional<QTransform> transform = gradientTransform(element)) {
        start = transform->map(start);
        end = transform->map(end);
    }
    return std::make_shared<const SVGLinearGradient>(start.x(), start.y(), end.x(), end.y(),
                                                     gradientUserSpace(element, parent.get()),
                                                     std::move(stops));
}

std::shared_ptr<const SVGPaint> readRadialGradient(const XMLElement& element,
                                                   const SVGPaintsByID& paints) {
    const std::shared_ptr<const SVGGradient> parent = referencedGradient(element, paints);
    QList<SVGStop> stops = gradientStops(element, parent.get());
    if (const auto paint = paintOfFewStops(stops)) {
        return *paint;
    }
    const auto* radialParent = parent && parent->kind() == SVGPaintKind::radialGradient
                                   ? static_cast<const SVGRadialGradient*>(parent.get())
                                   : nullptr;
    QPointF center(numberAttribute(element, u"cx", radialParent ? radialParent->cx() : 0.5),
                   numberAttribute(element, u"cy", radialParent ? radialParent->cy() : 0.5));
    QPointF focus(numberAttribute(element, u"fx", radialParent ? radialParent->fx() : center.x()),
                  numberAttribute(element, u"fy", radialParent ? radialParent->fy() : center.y()));
    double radius = numberAttribute(element, u"r", radialParent ? radialParent->r() : 0.5);
    if (const std::optional<QTransform> transform = gradientTransform(element)) {
        center = transform->map(center);
        focus = transform->map(focus);
        if (std::fabs(transform->m11()) == std::fabs(transform->m22())) {
            radius *= std::fabs(transform->m11());
        } else {
            printLine(ovalRadialGradientMessage);
        }
    }
    return std::make_shared<const SVGRadialGradient>(
        center.x(), center.y(), focus.x(), focus.y(), radius,
        gradientUserSpace(element, parent.get()), std::move(stops));
}

} // namespace marlox::vector

#pragma once

#include "vector/CSSParser.h"
#include "vector/SVGPaint.h"
#include "vector/XMLElement.h"

#include <QHash>
#include <QString>

#include <memory>

namespace marlox::vector {

// Every element with an id, every gradient read as a paint, and the document's style-sheet
// rules, gathered in one walk before any node is made.
class SVGIndex {
public:
    // Records the element and everything below it.
    void fill(const XMLElement& root);

    const XMLElement* element(const QString& id) const { return elements.value(id); }

    // A gradient with two or more stops, the colour of a single stop, or nothing without stops.
    std::shared_ptr<const SVGPaint> parseLinearGradient(const XMLElement& element) const;
    std::shared_ptr<const SVGPaint> parseRadialGradient(const XMLElement& element) const;
    // The gradient read earlier that "xlink:href" names.
    std::shared_ptr<const SVGGradient> referencedGradient(const XMLElement& element) const;
    QList<SVGStop> parseStops(const std::vector<std::unique_ptr<XMLNode>>& contents,
                              const SVGStyleMap& attributes) const;
    SVGStop parseStop(const XMLElement& element, const SVGStyleMap& attributes) const;
    // A plain number or a percentage as a fraction; the default when absent or unreadable.
    double numberAttribute(const XMLElement& element, QStringView name, double defaultValue) const;

    QHash<QString, const XMLElement*> elements;
    QHash<QString, std::shared_ptr<const SVGPaint>> paints;
    CSSParser cssParser;

private:
    // The element's id, its gradient and its style sheet, without what lies below it.
    void record(const XMLElement& element);
};

} // namespace marlox::vector

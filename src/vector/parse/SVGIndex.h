#pragma once

#include "vector/CSSParser.h"
#include "vector/SVGGradientReader.h"
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

    QHash<QString, const XMLElement*> elements;
    SVGPaintsByID paints;
    CSSParser cssParser;

private:
    // The element's id, its gradient and its style sheet, without what lies below it.
    void record(const XMLElement& element);
};

} // namespace marlox::vector

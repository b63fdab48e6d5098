#include "vector/SVGIndex.h"

#include <vector>

namespace marlox::vector {

void SVGIndex::fill(const XMLElement& root) {
    // Depth first in document order, with a list of its own rather than the stack: a tree built
    // in code may be deeper than the stack allows.
    std::vector<const XMLElement*> pending = {&root};
    while (!pending.empty()) {
        const XMLElement& element = *pending.back();
        pending.pop_back();
        record(element);
        for (auto item = element.contents.crbegin(); item != element.contents.crend(); ++item) {
            if (const XMLElement* child = (*item)->asElement()) {
                pending.push_back(child);
            }
        }
    }
}

void SVGIndex::record(const XMLElement& element) {
    const QString* id = element.attributes.find(u"id");
    if (!id) {
        id = element.attributes.find(u"xml:id");
    }
    if (id) {
        elements.insert(*id, &element);
        std::shared_ptr<const SVGPaint> paint;
        if (element.name == u"linearGradient") {
            paint = readLinearGradient(element, paints);
        } else if (element.name == u"radialGradient") {
            paint = readRadialGradient(element, paints);
        }
        if (paint) {
            paints.insert(*id, std::move(paint));
        } else if (element.name == u"linearGradient" || element.name == u"radialGradient" ||
                   element.name == u"fill") {
            paints.remove(*id);
        }
    }
    if (element.name == u"style" && !element.contents.empty()) {
        if (const XMLText* sheet = element.contents.front()->asText()) {
            cssParser.parse(sheet->text);
        }
    }
}

} // namespace marlox::vector

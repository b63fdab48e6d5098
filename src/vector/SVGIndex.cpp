#include "vector/SVGIndex.h"

namespace marlox::vector {

void SVGIndex::fill(const XMLElement& element) {
    const QString* id = element.attributes.find(u"id");
    if (!id) {
        id = element.attributes.find(u"xml:id");
    }
    if (id) {
        elements.insert(*id, &element);
        std::shared_ptr<const SVGPaint> paint;
        if (element.name == u"linearGradient") {
            paint = parseLinearGradient(element);
        } else if (element.name == u"radialGradient") {
            paint = parseRadialGradient(element);
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
    for (const auto& item : element.contents) {
        if (const XMLElement* child = item->asElement()) {
            fill(*child);
        }
    }
}

} // namespace marlox::vector

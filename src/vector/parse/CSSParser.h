#pragma once

#include "vector/SVGStyleMap.h"
#include "vector/XMLElement.h"

#include <QHash>
#include <QString>

namespace marlox::vector {

// Sets every "name:value" declaration of a ";"-separated list; a declaration that does not split
// into exactly two parts at ":" is dropped.
void setDeclarations(SVGStyleMap& styles, QStringView declarations);

// The small subset of style sheets the library understands: rules for one tag, one class or one
// id, each with a block of "name:value" declarations.
class CSSParser {
public:
    // Merges the rules of one style-sheet text into the tables.
    void parse(QStringView content);

    // The properties the rules give an element: tag rule first, then its classes in written
    // order, then its id rule; a property already present is never replaced.
    SVGStyleMap getStyles(const XMLElement& element) const;

    const QHash<QString, SVGStyleMap>& stylesByClass() const { return m_stylesByClass; }
    const QHash<QString, SVGStyleMap>& stylesById() const { return m_stylesById; }
    const QHash<QString, SVGStyleMap>& stylesByTag() const { return m_stylesByTag; }

private:
    void addRule(QStringView selector, QStringView declarations);

    QHash<QString, SVGStyleMap> m_stylesByClass;
    QHash<QString, SVGStyleMap> m_stylesById;
    QHash<QString, SVGStyleMap> m_stylesByTag;
};

} // namespace marlox::vector

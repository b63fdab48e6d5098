#pragma once

#include "vector/SVGNames.h"

#include <QString>
#include <QStringView>

namespace marlox::vector {

// Property names to value texts. Every context copies its parent's, which then needs no
// allocation.
class SVGStyleMap : public NamedTextList<12> {
public:
    using NamedTextList::NamedTextList;

    QString value(QStringView name, const QString& defaultValue = {}) const {
        const QString* found = find(name);
        return found ? *found : defaultValue;
    }
};

} // namespace marlox::vector

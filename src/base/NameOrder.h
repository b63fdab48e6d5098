#pragma once

#include <QCollator>
#include <QList>
#include <QString>

#include <algorithm>

namespace marlox::base {

// Orders items by the name each is shown under, as the user's locale orders texts, ignoring
// letter case; items whose names compare equal keep their order.
template <typename Item, typename NameOf>
void sortByLocalizedName(QList<Item>& items, NameOf nameOf) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(), [&](const Item& lhs, const Item& rhs) {
        return collator.compare(nameOf(lhs), nameOf(rhs)) < 0;
    });
}

} // namespace marlox::base

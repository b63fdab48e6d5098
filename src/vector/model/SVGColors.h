#pragma once

#include <QHash>
#include <QString>

namespace marlox::vector {

// The named-colour table: the CSS colour keywords with their values (less the "grey" spellings
// and "magenta") followed by the system-colour keywords. One shared instance, made on first use.
class SVGColors {
public:
    static const SVGColors& shared();

    // Keyword to packed value: 157 entries.
    const QHash<QString, qint64>& hexByText() const { return m_hexByText; }
    // Packed value to keyword for the standard keywords except "cyan": 139 entries.
    const QHash<qint64, QString>& textByHex() const { return m_textByHex; }

private:
    SVGColors();

    QHash<QString, qint64> m_hexByText;
    QHash<qint64, QString> m_textByHex;
};

} // namespace marlox::vector

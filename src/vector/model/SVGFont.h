#pragma once

#include <QFont>
#include <QString>

namespace marlox::vector {

// The font of a text node. Never changes after construction; shared freely.
class SVGFont {
public:
    SVGFont(QString name, double size, QString weight);

    const QString& name() const { return m_name; }
    // In user units.
    double size() const { return m_size; }
    const QString& weight() const { return m_weight; }

    // The face that the name selects at the size; the weight takes no part.
    QFont toQFont() const;

private:
    QString m_name;
    double m_size = 0;
    QString m_weight;
};

} // namespace marlox::vector

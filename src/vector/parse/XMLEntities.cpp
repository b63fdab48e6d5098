#include "vector/XMLEntities.h"

#include "vector/XMLElement.h"

#include <QByteArrayView>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace marlox::vector {

namespace {

constexpr qint64 budget = DOMParser::maximumEntityExpansion;

bool isBlank(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n';
}

bool endsName(char character) {
    return isBlank(character) || character == ';' || character == '&' || character == '<' ||
           character == '>' || character == '"' || character == '\'' || character == '%' ||
           character == '\0';
}

// Calls `visit` with the name of each entity reference ("&name;", character references aside)
// until it answers false; false then.
template <typename Visit> bool forEachReference(QByteArrayView text, Visit visit) {
    for (qsizetype at = text.indexOf('&'); at >= 0; at = text.indexOf('&', at + 1)) {
        qsizetype end = at + 1;
        while (end < text.size() && !endsName(text[end])) {
            ++end;
        }
        const bool isReference =
            end < text.size() && text[end] == ';' && end > at + 1 && text[at + 1] != '#';
        if (isReference && !visit(QString::fromUtf8(text.sliced(at + 1, end - at - 1)))) {
            return false;
        }
    }
    return true;
}

// What each internal entity adds where it is referenced, the references in its value expanded
// in turn, worked out once per entity. External entities and undeclared names add nothing: the
// reader reads neither.
class Expansions {
public:
    explicit Expansions(const QXmlStreamEntityDeclarations& declarations) {
        for (const QXmlStreamEntityDeclaration& declaration : declarations) {
            if (declaration.systemId().isEmpty() && declaration.publicId().isEmpty()) {
                m_values[declaration.name().toString()].append(declaration.value().toString());
            }
        }
    }

    // At most one past the budget; nothing once refused, with the reason in `refusal`.
    std::optional<qint64> size(const QString& name, int depth) {
        if (const auto known = m_sizes.constFind(name); known != m_sizes.cend()) {
            return *known;
        }
        const auto values = m_values.constFind(name);
        if (values == m_values.cend()) {
            return 0;
        }
        if (m_open.contains(name)) {
            refusal = QStringLiteral("The entity “%1” refers to itself.").arg(name);
            return std::nullopt;
        }
        if (depth > DOMParser::maximumEntityNesting) {
            refusal = QStringLiteral("Entities are nested deeper than %1 levels.")
                          .arg(DOMParser::maximumEntityNesting);
            return std::nullopt;
        }
        m_open.insert(name);
        // A name declared twice counts with its larger value, whichever the reader keeps.
        qint64 largest = 0;
        for (const QString& value : *values) {
            qint64 total = value.size();
            const bool read = forEachReference(value.toUtf8(), [&](const QString& inner) {
                const std::optional<qint64> innerSize = size(inner, depth + 1);
                total = std::min(total + innerSize.value_or(0), budget + 1);
                return innerSize.has_value();
            });
            if (!read) {
                return std::nullopt;
            }
            largest = std::max(largest, total);
        }
        m_open.remove(name);
        m_sizes.insert(name, largest);
        return largest;
    }

    QString refusal;

private:
    QHash<QString, QStringList> m_values;
    QHash<QString, qint64> m_sizes;
    QSet<QString> m_open;
};

} // namespace

std::optional<QString> XMLEntityGuard::refusalAtStart() const {
    if (m_readings.parameterEntityDeclaration()) {
        return QStringLiteral("The document declares parameter entities.");
    }
    return std::nullopt;
}

std::optional<QString>
XMLEntityGuard::refusalOfDeclarations(const QXmlStreamEntityDeclarations& declarations) const {
    // Most type declarations only name the standard's external subset, which is never read.
    if (declarations.isEmpty()) {
        return std::nullopt;
    }
    Expansions expansions(declarations);
    // Every reference in the markup counts, also those in comments and in the declarations
    // themselves, which the reader does not expand: the sum is never too small.
    for (const QByteArray& text : m_readings.texts()) {
        qint64 added = 0;
        const bool withinBudget = forEachReference(text, [&](const QString& name) {
            const std::optional<qint64> size = expansions.size(name, 1);
            added = std::min(added + size.value_or(0), budget + 1);
            return size && added <= budget;
        });
        if (!withinBudget) {
            if (!expansions.refusal.isEmpty()) {
                return expansions.refusal;
            }
            return QStringLiteral("The document's entities would add more than %1 characters.")
                .arg(budget);
        }
    }
    return std::nullopt;
}

} // namespace marlox::vector

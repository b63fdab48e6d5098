#pragma once

#include "base/XMLReadings.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <optional>

namespace marlox::vector {

// The stream reader expands the entities a document declares for itself, but it bounds each
// reference alone, not their sum, and it expands parameter entities inside the type declaration
// before it reports that declaration. The guard reads the markup first and refuses a document
// whose entities could grow past the markup reader's budget. Neither reads anything outside the
// document: external entities are left unexpanded.
class XMLEntityGuard {
public:
    explicit XMLEntityGuard(const QByteArray& data) : m_readings{data} {}

    // At the start of the document, before the type declaration is read: a declaration of
    // parameter entities is refused, in each encoding the reader may read the markup in.
    std::optional<QString> refusalAtStart() const;
    // At the type declaration: references in the document to the declared entities that nest too
    // deep, refer to themselves, or would add more than the budget in all are refused.
    std::optional<QString>
    refusalOfDeclarations(const QXmlStreamEntityDeclarations& declarations) const;

private:
    base::XMLReadings m_readings;
};

} // namespace marlox::vector

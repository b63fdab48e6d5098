#pragma once

#include "vector/CSSParser.h"
#include "vector/SVGConstants.h"
#include "vector/SVGRootContext.h"
#include "vector/XMLElement.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace marlox::vector {

// An element's own attributes that are not style properties, read in place.
class SVGPropertyMap {
public:
    explicit SVGPropertyMap(const XMLAttributes& attributes) : m_attributes(&attributes) {}

    const QString* find(QStringView name) const {
        // Most names asked for are absent: the attributes are searched first.
        const QString* found = m_attributes->find(name);
        return found && !SVGConstants::isStyleAttribute(name) ? found : nullptr;
    }
    bool contains(QStringView name) const { return find(name) != nullptr; }
    QString value(QStringView name, const QString& defaultValue = {}) const {
        const QString* found = find(name);
        return found ? *found : defaultValue;
    }

private:
    const XMLAttributes* m_attributes;
};

// How an element to parse is reached from the one at hand: as an item of its contents, or
// through a reference ("use" or "clip-path"), which counts against the reference budget
// whatever the element's place in the tree.
enum class SVGReach { content, reference };

// The element's own styles: presentation attributes, then style-sheet rules, then the "style"
// attribute, each over the one before.
SVGStyleMap collectStyles(const XMLElement& element, const SVGIndex& index);
SVGStyleMap collectProperties(const XMLAttributes& attributes);
SVGStyleMap mergeStyles(const SVGStyleMap& own, const SVGStyleMap& inherited);

// How one element is seen while it is parsed: its inherited styles, its own properties and the
// "use" references through which it was reached.
//
// Contexts share what does not change from parent to child: the root context until a nested
// "svg" narrows the screen, and the parent's styles when the element brings none of its own.
class SVGNodeContext {
public:
    static SVGNodeContext makeRoot(SVGRootContext root, const XMLElement& element);

    // The context of an element parsed from this one (a child, a "use" target or a clip), or
    // nothing when it would close a cycle of "use" references or pass a guard.
    std::optional<SVGNodeContext> create(const XMLElement& child,
                                         SVGReach reach = SVGReach::content) const;

    const SVGRootContext& root() const { return *m_root; }
    const XMLElement& element() const { return *m_element; }
    const QStringList& useIds() const { return m_useIds; }
    const SVGStyleMap& styles() const { return *m_styles; }
    SVGPropertyMap properties() const { return SVGPropertyMap(m_element->attributes); }

    // The same styles as held by every context that shares them: what is read from them once
    // may be kept with them.
    const std::shared_ptr<const SVGStyleMap>& sharedStyles() const { return m_styles; }

    const SVGNodeContext* parent() const { return m_parent; }
    int depth() const { return m_depth; }
    // The context on the way to this one (this one included) that parses `element`.
    const SVGNodeContext* findOnPath(const XMLElement& element) const;

private:
    SVGNodeContext(std::shared_ptr<const SVGRootContext> root, const XMLElement& element,
                   QStringList useIds, std::shared_ptr<const SVGStyleMap> styles,
                   const SVGNodeContext* parent, bool throughReference);

    std::shared_ptr<const SVGRootContext> m_root;
    const XMLElement* m_element;
    QStringList m_useIds;
    std::shared_ptr<const SVGStyleMap> m_styles;
    const SVGNodeContext* m_parent;
    int m_depth;
    bool m_throughReference;
};

} // namespace marlox::vector

#include "ParseTestSupport.h"

#include <vector>

namespace marlox::vector::testing {

std::unique_ptr<XMLElement> readMarkup(const QString& markup) {
    return DOMParser::parseData(markup.toUtf8(), *SVGLogger::console());
}

ParsedDocument::ParsedDocument(const QString& markup, SVGScreen screen)
    : m_root(readMarkup(markup)), m_index(std::make_shared<SVGIndex>()) {
    if (!m_root) {
        ADD_FAILURE() << "markup did not read: " << markup.toStdString();
        m_root = std::make_unique<XMLElement>(QStringLiteral("missing"), XMLAttributes());
    }
    m_index->fill(*m_root);
    m_rootContext.logger = SVGLogger::console();
    m_rootContext.linker = SVGLinker::none();
    m_rootContext.screen = screen;
    m_rootContext.index = m_index;
}

SVGNodeContext ParsedDocument::rootContext() const {
    return SVGNodeContext::makeRoot(m_rootContext, *m_root);
}

SVGNodeContext ParsedDocument::contextOf(const QString& id) const {
    const XMLElement* target = m_index->element(id);
    if (!target) {
        ADD_FAILURE() << "no element with id " << id.toStdString();
        return rootContext();
    }
    std::vector<const XMLElement*> path;
    for (const XMLElement* element = target; element && element != m_root.get();
         element = element->parent()) {
        path.insert(path.begin(), element);
    }
    // Contexts refer to their parents, so every step of the way is kept alive here.
    auto contexts = std::make_shared<std::vector<std::unique_ptr<SVGNodeContext>>>();
    contexts->push_back(std::make_unique<SVGNodeContext>(rootContext()));
    for (const XMLElement* element : path) {
        std::optional<SVGNodeContext> child = contexts->back()->create(*element);
        if (!child) {
            ADD_FAILURE() << "no context for " << element->name.toStdString();
            break;
        }
        contexts->push_back(std::make_unique<SVGNodeContext>(std::move(*child)));
    }
    m_keptContexts.push_back(contexts);
    return *contexts->back();
}

} // namespace marlox::vector::testing

#pragma once

#include "VectorTestSupport.h"
#include "support/QtPrinters.h"
#include "vector/SVGContext.h"
#include "vector/SVGGroup.h"
#include "vector/SVGIndex.h"
#include "vector/SVGNode.h"
#include "vector/SVGParser.h"
#include "vector/SVGStroke.h"
#include "vector/XMLElement.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace marlox::vector::testing {

// Collects what the library writes on standard output while it lives.
class CapturedOutput {
public:
    CapturedOutput() { ::testing::internal::CaptureStdout(); }
    ~CapturedOutput() {
        if (!m_taken) {
            ::testing::internal::GetCapturedStdout();
        }
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // The lines written so far; ends the capture.
    QStringList lines() {
        m_taken = true;
        return QString::fromStdString(::testing::internal::GetCapturedStdout())
            .split(u'\n', Qt::SkipEmptyParts);
    }

private:
    bool m_taken = false;
};

inline std::unique_ptr<XMLElement> readMarkup(const QString& markup) {
    return DOMParser::parseData(markup.toUtf8(), *SVGLogger::console());
}

// The document's root group, or nothing when the markup gives none.
inline std::shared_ptr<SVGGroup> parseRoot(const QString& markup) {
    return std::dynamic_pointer_cast<SVGGroup>(SVGParser::parseString(markup));
}

// A colour as hexadecimal text, "none" for no paint, or the kind of a gradient.
inline QString paintText(const std::shared_ptr<const SVGPaint>& paint) {
    if (!paint) {
        return QStringLiteral("none");
    }
    if (paint->kind() != SVGPaintKind::color) {
        return QStringLiteral("gradient %1").arg(int(paint->kind()));
    }
    return QString::number(static_cast<const SVGColor&>(*paint).value(), 16);
}

// A stroke in one text: its paint and width, then whichever other part differs from its default.
inline QString strokeText(const std::shared_ptr<const SVGStroke>& stroke) {
    if (!stroke) {
        return QStringLiteral("none");
    }
    QString text =
        QStringLiteral("%1 width %2").arg(paintText(stroke->fill())).arg(stroke->width());
    if (stroke->cap() != SVGLineCap::butt || stroke->join() != SVGLineJoin::miter) {
        text += QStringLiteral(" cap %1 join %2").arg(int(stroke->cap())).arg(int(stroke->join()));
    }
    if (stroke->miterLimit() != 4) {
        text += QStringLiteral(" miter %1").arg(stroke->miterLimit());
    }
    for (const double dash : stroke->dashes()) {
        text += QStringLiteral(" dash %1").arg(dash);
    }
    if (stroke->offset() != 0) {
        text += QStringLiteral(" offset %1").arg(stroke->offset());
    }
    return text;
}

// A node in one text: its class and frame, then whichever of id, opacity, transform, paints and
// clip it has.
inline QString nodeText(const SVGNode& node) {
    const QRectF frame = node.frame();
    QString text = QString::fromLatin1(node.metaObject()->className()).section(u':', -1).mid(3) +
                   u' ' + numbersText({frame.x(), frame.y(), frame.width(), frame.height()});
    if (node.id()) {
        text += QStringLiteral(" #") + *node.id();
    }
    if (node.opacity() != 1) {
        text += QStringLiteral(" opacity %1").arg(node.opacity());
    }
    if (!node.transform().isIdentity()) {
        text += QStringLiteral(" transform ") + transformText(node.transform());
    }
    if (const auto* shape = dynamic_cast<const SVGShape*>(&node)) {
        text += QStringLiteral(" fill %1 stroke %2")
                    .arg(paintText(shape->fill()), strokeText(shape->stroke()));
    }
    if (node.clip()) {
        text += QStringLiteral(" clipped");
    }
    return text;
}

// A markup tree with its filled index and the contexts of its elements, as the document parser
// makes them.
class ParsedDocument {
public:
    explicit ParsedDocument(const QString& markup, SVGScreen screen = {})
        : m_root(readMarkup(markup)), m_index(std::make_shared<SVGIndex>()) {
        if (!m_root) {
            ADD_FAILURE() << "markup did not read: " << markup.toStdString();
            m_root = std::make_unique<XMLElement>(QStringLiteral("missing"), XMLAttributes());
        }
        m_index->fill(*m_root);
        m_rootContext = {.logger = SVGLogger::console(),
                         .linker = SVGLinker::none(),
                         .screen = screen,
                         .index = m_index,
                         .documentReader = SVGParser::parseEmbedded};
    }

    const XMLElement& root() const { return *m_root; }
    const SVGIndex& index() const { return *m_index; }
    SVGNodeContext rootContext() const { return SVGNodeContext::makeRoot(m_rootContext, *m_root); }

    // The context of the element with `id`, created along its ancestors from the root.
    SVGNodeContext contextOf(const QString& id) const {
        std::vector<const XMLElement*> path;
        for (const XMLElement* element = m_index->element(id); element && element != m_root.get();
             element = element->parent()) {
            path.insert(path.begin(), element);
        }
        EXPECT_FALSE(path.empty()) << "no element with id " << id.toStdString();
        // Contexts refer to their parents, so every step of the way is kept alive here.
        auto& contexts = m_keptContexts.emplace_back();
        contexts.push_back(std::make_unique<SVGNodeContext>(rootContext()));
        for (const XMLElement* element : path) {
            std::optional<SVGNodeContext> child = contexts.back()->create(*element);
            if (!child) {
                ADD_FAILURE() << "no context for " << element->name.toStdString();
                break;
            }
            contexts.push_back(std::make_unique<SVGNodeContext>(std::move(*child)));
        }
        return *contexts.back();
    }

private:
    std::unique_ptr<XMLElement> m_root;
    std::shared_ptr<SVGIndex> m_index;
    SVGRootContext m_rootContext;
    mutable std::vector<std::vector<std::unique_ptr<SVGNodeContext>>> m_keptContexts;
};

// The line an unsupported unit is reported with.
inline QString unitMessage(const char* unit) {
    return QStringLiteral("SVG parsing error. Unit \"%1\" is not supported").arg(unit);
}

} // namespace marlox::vector::testing

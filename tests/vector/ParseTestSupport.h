#pragma once

#include "vector/SVGContext.h"
#include "vector/SVGIndex.h"
#include "vector/XMLElement.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* stream) {
    *stream << '"' << text.toStdString() << '"';
}

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
        const QString text = QString::fromStdString(::testing::internal::GetCapturedStdout());
        return text.split(u'\n', Qt::SkipEmptyParts);
    }

private:
    bool m_taken = false;
};

std::unique_ptr<XMLElement> readMarkup(const QString& markup);

// A markup tree with its filled index and the contexts of its elements, as the document parser
// makes them.
class ParsedDocument {
public:
    explicit ParsedDocument(const QString& markup, SVGScreen screen = {});

    const XMLElement& root() const { return *m_root; }
    const SVGIndex& index() const { return *m_index; }
    SVGNodeContext rootContext() const;
    // The context of the element with `id`, created along its ancestors from the root.
    SVGNodeContext contextOf(const QString& id) const;

private:
    std::unique_ptr<XMLElement> m_root;
    std::shared_ptr<SVGIndex> m_index;
    SVGRootContext m_rootContext;
    mutable std::vector<std::shared_ptr<std::vector<std::unique_ptr<SVGNodeContext>>>>
        m_keptContexts;
};

} // namespace marlox::vector::testing

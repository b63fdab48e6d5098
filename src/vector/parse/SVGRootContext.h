#pragma once

#include "vector/SVGImage.h"
#include "vector/SVGPaint.h"
#include "vector/SVGSettings.h"
#include "vector/SVGStroke.h"
#include "vector/SVGStyleMap.h"

#include <memory>
#include <optional>
#include <vector>

namespace marlox::vector {

class SVGIndex;

// What keeps one parse of a hostile document bounded: references ("use" and "clip-path") may
// make only so many nodes, and contexts nest only so deep.
struct SVGParseGuards {
    static constexpr int maximumDepth = 512;
    static constexpr int maximumReferencedNodes = 50000;

    struct OpenClip {
        int depth = 0;
        bool closesCycle = false;
    };

    int referencedNodes = 0;
    bool reportedReferenceLimit = false;
    bool reportedDepthLimit = false;
    // The clip references being parsed, outermost first.
    std::vector<OpenClip> openClips;
};

// The fill and stroke last read from one set of styles. Contexts that share their styles (the
// children of a group that bring none of their own) then share these paints too, which never
// change once made.
struct SVGPaintMemo {
    std::shared_ptr<const SVGStyleMap> styles;
    std::optional<std::shared_ptr<const SVGPaint>> fill;
    std::optional<std::shared_ptr<const SVGStroke>> stroke;
};

// The per-document parse state every node context carries.
struct SVGRootContext {
    std::shared_ptr<SVGLogger> logger;
    std::shared_ptr<SVGLinker> linker;
    SVGScreen screen;
    std::shared_ptr<const SVGIndex> index;
    double defaultFontSize = 16;
    // How many images the document lies within.
    int embeddingDepth = 0;
    // What reads the markup an image holds, handed to the images the document makes.
    SVGDocumentReader documentReader;
    std::shared_ptr<SVGParseGuards> guards = std::make_shared<SVGParseGuards>();
    std::shared_ptr<SVGPaintMemo> paintMemo = std::make_shared<SVGPaintMemo>();
};

} // namespace marlox::vector

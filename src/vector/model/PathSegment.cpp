#include "vector/PathSegment.h"

namespace marlox::vector {

bool PathSegment::isAbsolute() const {
    switch (m_type) {
    case PathSegmentType::M:
    case PathSegmentType::L:
    case PathSegmentType::C:
    case PathSegmentType::Q:
    case PathSegmentType::A:
    case PathSegmentType::H:
    case PathSegmentType::V:
    case PathSegmentType::S:
    case PathSegmentType::T:
    case PathSegmentType::E:
        return true;
    default:
        return false;
    }
}

} // namespace marlox::vector

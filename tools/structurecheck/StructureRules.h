#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace marlox::structure {

// One build target as the structure rules see it.
struct Target {
    std::string name;
    // Absolute paths of its sources, headers included.
    std::vector<std::string> files;
    // Include text ("catalog/CatalogService.h") -> absolute path.
    std::map<std::string, std::string> publicHeaders;
    std::map<std::string, std::string> privateHeaders;
    // Every target whose public headers this one may include: the libraries it links and,
    // through them, what those export in turn.
    std::set<std::string> links;
};

struct Project {
    std::vector<Target> targets;
    // Folders whose every C++ file must belong to a target.
    std::vector<std::string> roots;
    // Files of other systems than the one built for, which belong to no target of this build.
    std::set<std::string> elsewhere;
};

struct Finding {
    std::string file;
    int line = 0;
    std::string message;

    bool operator==(const Finding&) const = default;
};

// Reads the manifest the build writes: one record a line, fields apart by tabs.
//   target <name> | file <path> | public <include> <path> | private <include> <path>
//   | link <name> | root <folder> | elsewhere <path>
// Lines of a target follow its "target" line.
Project readManifest(const std::string& text);

// Every break of the rules: a file in no target; an include of a header the including target
// may not use (a library it does not link, another's private header, a header no target has);
// a definition in a file other than the one named after the header that declares it; a future
// continued on `this`.
std::vector<Finding> checkProject(const Project& project);

} // namespace marlox::structure

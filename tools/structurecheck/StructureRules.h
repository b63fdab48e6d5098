#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace marlox::structure {

// One build target as the structure rules see it.
struct Target {
    Target() = default;
    explicit Target(std::string targetName) : name(std::move(targetName)) {}

    std::string name;
    // Absolute paths of its sources, headers included.
    std::vector<std::string> files;
    // Include text ("catalog/CatalogService.h") -> absolute path.
    std::map<std::string, std::string> publicHeaders;
    std::map<std::string, std::string> privateHeaders;
    // Every target whose public headers this one may include: the libraries it links and,
    // through them, what those export in turn.
    std::set<std::string> links;
    // The targets it links itself, privately too.
    std::set<std::string> dependencies;
    // The CMakeLists.txt that makes it, where its links are written.
    std::string definedIn;
};

// One layer of the project: the folders under the project's root that hold it (a deeper folder
// of another layer is that layer's), and the layers beneath it that it keeps apart from all the
// same. The tests in tests/<folder> are of the layer of src/<folder>.
struct Layer {
    std::string name;
    std::vector<std::string> folders;
    std::set<std::string> keptApartFrom;
};

// The layers lowest first: each may use the layers beneath it but those it keeps apart from, and
// nothing above it or beside the layers (tools, benchmarks, test support). A test may use what
// its layer may, what lies beside the layers, and the layers every test may use (those its
// harness needs).
struct LayerOrder {
    std::vector<Layer> layers;
    std::set<std::string> everyTestMayUse;
};

// base < platform < vector < catalog < install < kit < catalog screens < settings, support and
// updates screens < app, the kit apart from the catalog and the installer.
const LayerOrder& studioLayerOrder();

struct Project {
    // The folder that src/, tests/ and the others lie in.
    std::string root;
    std::vector<Target> targets;
    // Folders whose every C++ file must belong to a target.
    std::vector<std::string> roots;
    // Files of other systems than the one built for, which belong to no target of this build.
    std::set<std::string> elsewhere;
    // Without layers, no link or include is held against an order.
    LayerOrder layerOrder;
};

struct Finding {
    std::string file;
    int line = 0;
    std::string message;

    bool operator==(const Finding&) const = default;
};

// Reads the manifest the build writes: one record a line, fields apart by tabs.
//   project <folder> | target <name> | file <path> | public <include> <path>
//   | private <include> <path> | link <name> | depends <name> | defined <path> | root <folder>
//   | elsewhere <path>
// Lines of a target follow its "target" line.
Project readManifest(const std::string& text);

// Every break of the rules: a file in no target; an include of a header the including target
// may not use (a library it does not link, another's private header, a header no target has);
// a link or an include against the layer order, and a file of src/ in no layer; a definition in
// a file other than the one named after the header that declares it; a future continued on
// `this`.
std::vector<Finding> checkProject(const Project& project);

} // namespace marlox::structure

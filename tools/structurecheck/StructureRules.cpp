#include "StructureRules.h"

#include "SourceScan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <tuple>
#include <utility>

namespace marlox::structure {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> result;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) {
        result.push_back(field);
    }
    return result;
}

std::string normalized(const fs::path& path) {
    return path.lexically_normal().generic_string();
}

bool isCppFile(const fs::path& path) {
    return path.extension() == ".h" || path.extension() == ".cpp";
}

std::string readFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::stringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

std::string stem(const std::string& path) {
    return fs::path(path).stem().string();
}

// "Quarantine_linux.cpp" is Quarantine.h's file on one system, as platform code is told apart.
bool isFileOf(const std::string& file, const std::string& header) {
    std::string name = stem(file);
    for (const char* system : {"_linux", "_mac", "_posix"}) {
        if (name.ends_with(system)) {
            name.resize(name.size() - std::char_traits<char>::length(system));
            break;
        }
    }
    return name == stem(header);
}

// Where a file or a target stands in the layer order: in a layer, as its code or as a test of it,
// or beside the layers.
struct Place {
    std::optional<size_t> layer;
    bool test = false;
};

// What is known of every file once, whichever targets list it.
class Index {
public:
    explicit Index(const Project& project)
        : m_project(project), m_order(project.layerOrder),
          m_root(project.root.empty() ? std::string() : normalized(project.root) + "/") {
        for (const Target& target : project.targets) {
            for (const std::string& file : target.files) {
                m_owners[file].insert(target.name);
                if (!m_facts.contains(file)) {
                    m_facts.emplace(file, scanSource(readFile(file)));
                }
            }
            for (const auto& [include, path] : target.publicHeaders) {
                m_exporters[include].insert(target.name);
                m_headerPaths.emplace(include, path);
            }
            for (const auto& [include, path] : target.privateHeaders) {
                m_privateOwners[include].insert(target.name);
                m_privatePaths.insert(path);
                m_headerPaths.emplace(include, path);
            }
            m_targets.emplace(target.name, &target);
        }
        for (const auto& [file, facts] : m_facts) {
            if (fs::path(file).extension() != ".h") {
                continue;
            }
            for (const ScopedName& name : facts.classes) {
                m_declaringHeaders[name.qualified].insert(file);
            }
            for (const ScopedName& name : facts.declaredFunctions) {
                m_declaringHeaders[name.qualified].insert(file);
            }
        }
    }

    void check(std::vector<Finding>& findings) const {
        for (const std::string& root : m_project.roots) {
            checkEveryFileBelongs(root, findings);
        }
        for (const Target& target : m_project.targets) {
            for (const std::string& file : target.files) {
                for (const Include& include : m_facts.at(file).includes) {
                    auto problem = layerProblem(file, include.text);
                    if (!problem) {
                        problem = includeProblem(target, file, include.text);
                    }
                    if (problem) {
                        findings.push_back({file, include.line, *problem});
                    }
                }
            }
            if (!m_order.layers.empty()) {
                checkLinks(target, findings);
            }
        }
        if (!m_order.layers.empty()) {
            for (const auto& [file, facts] : m_facts) {
                if (relativePath(file).starts_with("src/") && !placeOf(file).layer) {
                    findings.push_back({file, 0, "lies in no layer"});
                }
            }
        }
        for (const auto& [file, facts] : m_facts) {
            if (fs::path(file).extension() == ".cpp") {
                checkDefinitions(file, facts, findings);
            }
            for (const int line : facts.continuationsOnThis) {
                findings.push_back({file, line,
                                    "continues a future on this, which may go first: use "
                                    "platform::continueOn"});
            }
        }
    }

private:
    std::string relativePath(const std::string& path) const {
        return !m_root.empty() && path.starts_with(m_root) ? path.substr(m_root.size()) : path;
    }

    // The layer whose folder holds the file most closely; tests/<folder> stands for
    // src/<folder>.
    Place placeOf(const std::string& path) const {
        constexpr std::string_view tests = "tests/";
        std::string relative = relativePath(path);
        Place place;
        if (relative.starts_with(tests)) {
            relative = "src/" + relative.substr(tests.size());
            place.test = true;
        }
        size_t closest = 0;
        for (size_t index = 0; index < m_order.layers.size(); ++index) {
            for (const std::string& folder : m_order.layers[index].folders) {
                if (folder.size() > closest && relative.starts_with(folder + "/")) {
                    closest = folder.size();
                    place.layer = index;
                }
            }
        }
        if (!place.layer) {
            place.test = false;
        }
        return place;
    }

    // A target stands where the most bound of its files stand: a layer's own code before its
    // tests, a lower layer before a higher one.
    Place placeOf(const Target& target) const {
        std::optional<Place> strictest;
        const auto key = [this](const Place& place) {
            return std::tuple(!place.layer, place.test,
                              place.layer.value_or(m_order.layers.size()));
        };
        for (const std::string& file : target.files) {
            const Place place = placeOf(file);
            if (!strictest || key(place) < key(*strictest)) {
                strictest = place;
            }
        }
        return strictest.value_or(Place{});
    }

    bool mayUse(const Place& user, const Place& used) const {
        if (!user.layer) {
            return true;
        }
        if (!used.layer) {
            return user.test;
        }
        if (used.test && !user.test) {
            return false;
        }
        const Layer& userLayer = m_order.layers[*user.layer];
        const Layer& usedLayer = m_order.layers[*used.layer];
        if (*used.layer == *user.layer ||
            (user.test && m_order.everyTestMayUse.contains(usedLayer.name))) {
            return true;
        }
        return *used.layer < *user.layer && !userLayer.keptApartFrom.contains(usedLayer.name);
    }

    std::string describe(const Place& place) const {
        const std::string layer = "the " + m_order.layers[*place.layer].name + " layer";
        return place.test ? "the tests of " + layer : layer;
    }

    std::string whereUsed(const Place& place) const {
        return place.layer ? "of " + describe(place) : "beside the layers";
    }

    std::optional<std::string> layerProblem(const std::string& file,
                                            const std::string& include) const {
        if (m_order.layers.empty()) {
            return std::nullopt;
        }
        std::string header = normalized(fs::path(file).parent_path() / include);
        if (!fs::exists(header)) {
            const auto exported = m_headerPaths.find(include);
            if (exported == m_headerPaths.end()) {
                return std::nullopt;
            }
            header = exported->second;
        }
        const Place user = placeOf(file);
        const Place used = placeOf(header);
        if (mayUse(user, used)) {
            return std::nullopt;
        }
        return "includes \"" + include + "\" " + whereUsed(used) + ", which " + describe(user) +
               " may not use";
    }

    // Each link the target writes against the order, and what comes with the libraries beside
    // the layers that it links (only a test may link those).
    void checkLinks(const Target& target, std::vector<Finding>& findings) const {
        const Place user = placeOf(target);
        if (!user.layer) {
            return;
        }
        const std::string file = target.definedIn.empty() ? target.name : target.definedIn;
        // Each dependency with the library beside the layers it comes through, if any.
        std::vector<std::pair<std::string, std::string>> pending;
        for (const std::string& dependency : target.dependencies) {
            pending.emplace_back(dependency, std::string());
        }
        std::set<std::string> seen;
        while (!pending.empty()) {
            const auto [name, through] = pending.back();
            pending.pop_back();
            const auto found = m_targets.find(name);
            if (!seen.insert(name).second || found == m_targets.end()) {
                continue;
            }
            const Place used = placeOf(*found->second);
            if (!mayUse(user, used)) {
                findings.push_back({file, 0,
                                    target.name + " links " + name + " " + whereUsed(used) +
                                        (through.empty() ? "" : " through " + through) +
                                        ", which " + describe(user) + " may not use"});
            } else if (!used.layer) {
                for (const std::string& dependency : found->second->dependencies) {
                    pending.emplace_back(dependency, through.empty() ? name : through);
                }
            }
        }
    }

    void checkEveryFileBelongs(const std::string& root, std::vector<Finding>& findings) const {
        std::error_code error;
        for (auto entry = fs::recursive_directory_iterator(root, error);
             entry != fs::recursive_directory_iterator(); entry.increment(error)) {
            if (error) {
                break;
            }
            const std::string path = normalized(entry->path());
            if (entry->is_regular_file() && isCppFile(entry->path()) && !m_owners.contains(path) &&
                !m_project.elsewhere.contains(path)) {
                findings.push_back({path, 0, "belongs to no target"});
            }
        }
    }

    bool mayUse(const Target& target, const std::set<std::string>& owners) const {
        return std::any_of(owners.begin(), owners.end(), [&target](const std::string& owner) {
            return owner == target.name || target.links.contains(owner);
        });
    }

    std::string ownerList(const std::set<std::string>& owners) const {
        std::string text;
        for (const std::string& owner : owners) {
            text += (text.empty() ? "" : " or ") + owner;
        }
        return text;
    }

    std::optional<std::string> includeProblem(const Target& target, const std::string& file,
                                              const std::string& include) const {
        // Quoted includes look beside the including file first.
        const std::string beside = normalized(fs::path(file).parent_path() / include);
        if (fs::exists(beside)) {
            const auto owners = m_owners.find(beside);
            if (owners == m_owners.end()) {
                return "includes \"" + include + "\", which belongs to no target";
            }
            if (owners->second.contains(target.name)) {
                return std::nullopt;
            }
            if (m_privatePaths.contains(beside)) {
                return "includes \"" + include + "\", a private header of " +
                       ownerList(owners->second);
            }
            if (!mayUse(target, owners->second)) {
                return "includes \"" + include + "\" of " + ownerList(owners->second) + ", which " +
                       target.name + " does not link";
            }
            return std::nullopt;
        }
        if (target.publicHeaders.contains(include) || target.privateHeaders.contains(include)) {
            return std::nullopt;
        }
        if (const auto exporters = m_exporters.find(include); exporters != m_exporters.end()) {
            if (mayUse(target, exporters->second)) {
                return std::nullopt;
            }
            return "includes \"" + include + "\" of " + ownerList(exporters->second) + ", which " +
                   target.name + " does not link";
        }
        if (const auto owners = m_privateOwners.find(include); owners != m_privateOwners.end()) {
            return "includes \"" + include + "\", a private header of " + ownerList(owners->second);
        }
        return "includes \"" + include + "\", which no target exports";
    }

    void checkDefinitions(const std::string& file, const SourceFacts& facts,
                          std::vector<Finding>& findings) const {
        std::set<std::string> ownClasses;
        for (const ScopedName& name : facts.classes) {
            ownClasses.insert(name.qualified);
        }
        for (const ScopedName& definition : facts.definitions) {
            const std::string& name = definition.qualified;
            const size_t separator = name.rfind("::");
            const std::string owner =
                separator == std::string::npos ? std::string() : name.substr(0, separator);
            if (ownClasses.contains(owner)) {
                continue;
            }
            std::set<std::string> headers;
            for (const std::string& declared : {owner, name}) {
                if (const auto found = m_declaringHeaders.find(declared);
                    found != m_declaringHeaders.end()) {
                    headers.insert(found->second.begin(), found->second.end());
                }
            }
            if (headers.empty() ||
                std::any_of(headers.begin(), headers.end(), [&file](const std::string& header) {
                    return isFileOf(file, header);
                })) {
                continue;
            }
            findings.push_back({file, definition.line,
                                "defines " + name + ", which " +
                                    fs::path(*headers.begin()).filename().string() +
                                    " declares: its definitions belong in the file of its name"});
        }
    }

    const Project& m_project;
    const LayerOrder& m_order;
    // The project's folder with a closing slash; empty when not known.
    std::string m_root;
    std::map<std::string, SourceFacts> m_facts;
    std::map<std::string, std::set<std::string>> m_owners;
    std::map<std::string, std::set<std::string>> m_exporters;
    std::map<std::string, std::set<std::string>> m_privateOwners;
    std::set<std::string> m_privatePaths;
    // Include text -> the header's path, whichever target has it.
    std::map<std::string, std::string> m_headerPaths;
    std::map<std::string, const Target*> m_targets;
    // Qualified class or function name -> the headers that declare it.
    std::map<std::string, std::set<std::string>> m_declaringHeaders;
};

} // namespace

const LayerOrder& studioLayerOrder() {
    static const LayerOrder order{
        {
            {"base", {"src/base"}, {}},
            {"platform", {"src/platform"}, {}},
            {"vector", {"src/vector"}, {}},
            {"catalog", {"src/catalog"}, {}},
            {"install", {"src/install"}, {}},
            // The interface kit draws for every screen and knows nothing of what they show.
            {"kit", {"src/ui/kit"}, {"catalog", "install"}},
            {"catalog screens", {"src/ui"}, {}},
            {"settings, support and updates screens", {"src/screens"}, {}},
            {"app", {"src/app"}, {}},
        },
        // The test harness names the main bundle through the platform.
        {"platform"},
    };
    return order;
}

Project readManifest(const std::string& text) {
    Project project;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        const std::vector<std::string> parts = fields(line);
        if (parts.empty()) {
            continue;
        }
        const std::string& kind = parts[0];
        if (kind == "project" && parts.size() == 2) {
            project.root = normalized(parts[1]);
        } else if (kind == "root" && parts.size() == 2) {
            project.roots.push_back(normalized(parts[1]));
        } else if (kind == "elsewhere" && parts.size() == 2) {
            project.elsewhere.insert(normalized(parts[1]));
        } else if (kind == "target" && parts.size() == 2) {
            project.targets.emplace_back(parts[1]);
        } else if (project.targets.empty()) {
            continue;
        } else if (kind == "file" && parts.size() == 2) {
            project.targets.back().files.push_back(normalized(parts[1]));
        } else if (kind == "public" && parts.size() == 3) {
            project.targets.back().publicHeaders[parts[1]] = normalized(parts[2]);
        } else if (kind == "private" && parts.size() == 3) {
            project.targets.back().privateHeaders[parts[1]] = normalized(parts[2]);
        } else if (kind == "link" && parts.size() == 2) {
            project.targets.back().links.insert(parts[1]);
        } else if (kind == "depends" && parts.size() == 2) {
            project.targets.back().dependencies.insert(parts[1]);
        } else if (kind == "defined" && parts.size() == 2) {
            project.targets.back().definedIn = normalized(parts[1]);
        }
    }
    return project;
}

std::vector<Finding> checkProject(const Project& project) {
    std::vector<Finding> findings;
    Index(project).check(findings);
    std::sort(findings.begin(), findings.end(), [](const Finding& lhs, const Finding& rhs) {
        return std::tie(lhs.file, lhs.line, lhs.message) <
               std::tie(rhs.file, rhs.line, rhs.message);
    });
    findings.erase(std::unique(findings.begin(), findings.end()), findings.end());
    return findings;
}

} // namespace marlox::structure

#include "StructureRules.h"

#include "SourceScan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

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

// What is known of every file once, whichever targets list it.
class Index {
public:
    explicit Index(const Project& project) : m_project(project) {
        for (const Target& target : project.targets) {
            for (const std::string& file : target.files) {
                m_owners[file].insert(target.name);
                if (!m_facts.contains(file)) {
                    m_facts.emplace(file, scanSource(readFile(file)));
                }
            }
            for (const auto& [include, path] : target.publicHeaders) {
                m_exporters[include].insert(target.name);
            }
            for (const auto& [include, path] : target.privateHeaders) {
                m_privateOwners[include].insert(target.name);
                m_privatePaths.insert(path);
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
                    if (auto problem = includeProblem(target, file, include.text)) {
                        findings.push_back({file, include.line, *problem});
                    }
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
    std::map<std::string, SourceFacts> m_facts;
    std::map<std::string, std::set<std::string>> m_owners;
    std::map<std::string, std::set<std::string>> m_exporters;
    std::map<std::string, std::set<std::string>> m_privateOwners;
    std::set<std::string> m_privatePaths;
    std::map<std::string, const Target*> m_targets;
    // Qualified class or function name -> the headers that declare it.
    std::map<std::string, std::set<std::string>> m_declaringHeaders;
};

} // namespace

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
        if (kind == "root" && parts.size() == 2) {
            project.roots.push_back(normalized(parts[1]));
        } else if (kind == "elsewhere" && parts.size() == 2) {
            project.elsewhere.insert(normalized(parts[1]));
        } else if (kind == "target" && parts.size() == 2) {
            project.targets.push_back({parts[1], {}, {}, {}, {}});
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

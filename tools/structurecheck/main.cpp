// structurecheck <manifest> [--pending-definitions <file>...]: checks the project's layers, in the
// studio's layer order, against the manifest the build writes (see cmake/MarloxStructure.cmake)
// and prints each break of the rules as "file:line: message". Definitions in a file named as
// pending are not reported yet.
#include "StructureRules.h"

#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: structurecheck <manifest> [--pending-definitions <file>...]\n";
        return 2;
    }
    std::set<std::string> pending;
    for (int index = 2; index < argc; ++index) {
        if (std::string(argv[index]) != "--pending-definitions" || index + 1 == argc) {
            std::cerr << "structurecheck: unknown argument " << argv[index] << "\n";
            return 2;
        }
        pending.insert(argv[++index]);
    }
    std::ifstream stream(argv[1]);
    if (!stream) {
        std::cerr << "structurecheck: cannot read " << argv[1] << "\n";
        return 2;
    }
    std::stringstream manifest;
    manifest << stream.rdbuf();
    auto project = marlox::structure::readManifest(manifest.str());
    project.layerOrder = marlox::structure::studioLayerOrder();
    auto findings = marlox::structure::checkProject(project);
    std::erase_if(findings, [&pending](const marlox::structure::Finding& finding) {
        return pending.contains(finding.file) && finding.message.starts_with("defines ");
    });
    for (const auto& finding : findings) {
        std::cout << finding.file << ':' << finding.line << ": " << finding.message << '\n';
    }
    std::cout << findings.size() << " structure problem(s) in " << project.targets.size()
              << " targets\n";
    return findings.empty() ? 0 : 1;
}

#include "Bundle.h"
#include "SystemTools.h"

namespace marlox::platform {
namespace {

QString bundledTool(const char* name) {
    return mainBundle().executableFolderPath() + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

QString dittoToolPath() {
    return bundledTool("ditto");
}

QString pluginkitToolPath() {
    return bundledTool("pluginkit");
}

QString lsregisterToolPath() {
    return bundledTool("lsregister");
}

} // namespace marlox::platform

#include "Bundle.h"
#include "SystemTools.h"

namespace marlox::platform {

QString dittoToolPath() {
    return Bundle::main().executableFolderPath() + QLatin1String("/ditto");
}

} // namespace marlox::platform

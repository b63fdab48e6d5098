// Loaded before the C library (LD_PRELOAD), it kills the process at the rename of a file whose
// path holds the text MARLOX_KILL_AT_RENAME gives, before the rename is made: a save killed at its
// last step, its temporary file written whole.
#include <dlfcn.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

extern "C" int rename(const char* from, const char* to) {
    const char* marker = std::getenv("MARLOX_KILL_AT_RENAME");
    if (marker != nullptr && *marker != '\0' && std::strstr(from, marker) != nullptr) {
        std::raise(SIGKILL);
    }
    using Rename = int (*)(const char*, const char*);
    static const auto next = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    return next(from, to);
}

// Linked into the crash driver only. It stands in front of the C library's calls that change the
// file system and counts those that reach into the folders named in MARLOX_COUNTED_FOLDERS
// (colon-separated; MARLOX_UNCOUNTED_FOLDER is left out). Before the operation numbered
// MARLOX_KILL_BEFORE the process kills itself with SIGKILL, so a test can stop the driver at
// exactly the same point of an operation every time. With MARLOX_TRACE set, each counted call is
// written to standard error as "<number> <call> <path>".
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Settings {
    std::vector<std::string> counted;
    std::string uncounted;
    long killBefore = 0;
    bool trace = false;

    Settings() {
        if (const char* folders = std::getenv("MARLOX_COUNTED_FOLDERS")) {
            std::string rest = folders;
            for (size_t colon; (colon = rest.find(':')) != std::string::npos;
                 rest.erase(0, colon + 1)) {
                counted.push_back(rest.substr(0, colon));
            }
            counted.push_back(rest);
        }
        if (const char* folder = std::getenv("MARLOX_UNCOUNTED_FOLDER")) {
            uncounted = folder;
        }
        if (const char* number = std::getenv("MARLOX_KILL_BEFORE")) {
            killBefore = std::atol(number);
        }
        trace = std::getenv("MARLOX_TRACE") != nullptr;
    }
};

const Settings& settings() {
    static const Settings instance;
    return instance;
}

std::atomic<long> operationCount{0};

bool within(const char* path, const std::string& folder) {
    const size_t length = folder.size();
    return !folder.empty() && std::strncmp(path, folder.c_str(), length) == 0 &&
           (path[length] == '\0' || path[length] == '/');
}

bool isCounted(const char* path) {
    if (path == nullptr || path[0] != '/' || within(path, settings().uncounted)) {
        return false;
    }
    for (const std::string& folder : settings().counted) {
        if (within(path, folder)) {
            return true;
        }
    }
    return false;
}

void count(const char* call, const char* path) {
    const long number = ++operationCount;
    if (settings().trace) {
        char line[4200];
        const int length = std::snprintf(line, sizeof line, "%ld %s %s\n", number, call, path);
        if (length > 0) {
            syscall(SYS_write, 2, line, size_t(std::min<int>(length, sizeof line - 1)));
        }
    }
    if (number == settings().killBefore) {
        kill(getpid(), SIGKILL);
    }
}

void countIf(const char* call, const char* path) {
    if (isCounted(path)) {
        count(call, path);
    }
}

bool changesTheFile(int flags) {
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
}

long openFile(int directory, const char* path, int flags, va_list arguments) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        mode = va_arg(arguments, mode_t);
    }
    if (changesTheFile(flags)) {
        countIf("open", path);
    }
    return syscall(SYS_openat, directory, path, flags, mode);
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const long result = openFile(AT_FDCWD, path, flags, arguments);
    va_end(arguments);
    return int(result);
}

int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int mkdir(const char* path, mode_t mode) {
    // Making a folder that is there already changes nothing, however often it is asked.
    struct stat status {};
    if (syscall(SYS_newfstatat, AT_FDCWD, path, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        countIf("mkdir", path);
    }
    return int(syscall(SYS_mkdirat, AT_FDCWD, path, mode));
}

int rmdir(const char* path) {
    countIf("rmdir", path);
    return int(syscall(SYS_unlinkat, AT_FDCWD, path, AT_REMOVEDIR));
}

int unlink(const char* path) {
    countIf("unlink", path);
    return int(syscall(SYS_unlinkat, AT_FDCWD, path, 0));
}

int rename(const char* from, const char* to) {
    countIf("rename", to);
    return int(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 0));
}

int renameat2(int fromDirectory, const char* from, int toDirectory, const char* to,
              unsigned int flags) {
    countIf("rename", to);
    return int(syscall(SYS_renameat2, fromDirectory, from, toDirectory, to, flags));
}

int linkat(int fromDirectory, const char* from, int toDirectory, const char* to, int flags) {
    countIf("link", to);
    return int(syscall(SYS_linkat, fromDirectory, from, toDirectory, to, flags));
}

int symlink(const char* target, const char* path) {
    countIf("symlink", path);
    return int(syscall(SYS_symlinkat, target, AT_FDCWD, path));
}

ssize_t copy_file_range(int input, off64_t* inputOffset, int output, off64_t* outputOffset,
                        size_t length, unsigned int flags) {
    // Only the engine copies file contents; every such copy lies in a counted folder.
    count("copy", "-");
    return syscall(SYS_copy_file_range, input, inputOffset, output, outputOffset, length, flags);
}
}

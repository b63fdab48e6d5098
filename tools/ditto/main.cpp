// Archive expansion with the command line of the macOS tool: `ditto -x -k <archive> <destination>`
// expands a zip archive into the destination folder. Every entry is checked before anything is
// written, so an archive that would reach outside the destination writes nothing at all; a
// damaged one fails with a non-zero exit and one line on standard error.
#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t readBlockBytes = 128 * 1024;
constexpr int failureExit = 1;
constexpr int usageExit = 2;

struct ReadArchiveDeleter {
    void operator()(archive* handle) const { archive_read_free(handle); }
};
struct WriteArchiveDeleter {
    void operator()(archive* handle) const { archive_write_free(handle); }
};
using ReadArchive = std::unique_ptr<archive, ReadArchiveDeleter>;
using WriteArchive = std::unique_ptr<archive, WriteArchiveDeleter>;

// The reason is printed on one line whatever the names or messages it quotes hold.
std::string oneLine(std::string text) {
    for (char& character : text) {
        if (character == '\n' || character == '\r') {
            character = ' ';
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

int fail(const std::string& reason) {
    std::fprintf(stderr, "ditto: %s\n", oneLine(reason).c_str());
    return failureExit;
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::vector<std::string> components(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

std::string joined(const std::vector<std::string>& parts, size_t count) {
    std::string path;
    for (size_t index = 0; index < count; ++index) {
        if (index > 0) {
            path += '/';
        }
        path += parts[index];
    }
    return path;
}

const char* entryPath(archive_entry* entry) {
    const char* path = archive_entry_pathname(entry);
    return path != nullptr ? path : archive_entry_pathname_utf8(entry);
}

// What the checks need of one archive entry.
struct EntryHeader {
    std::string path;
    bool isSymbolicLink = false;
    std::string linkTarget;
    std::optional<std::string> hardLinkTarget;

    static EntryHeader of(archive_entry* entry) {
        EntryHeader header;
        const char* path = entryPath(entry);
        header.path = path != nullptr ? path : "";
        header.isSymbolicLink = archive_entry_filetype(entry) == AE_IFLNK;
        if (const char* target = archive_entry_symlink(entry)) {
            header.linkTarget = target;
        }
        if (const char* target = archive_entry_hardlink(entry)) {
            header.hardLinkTarget = target;
        }
        return header;
    }

    std::string normalizedPath() const {
        const std::vector<std::string> parts = components(path);
        return joined(parts, parts.size());
    }
};

// What an archive entry is allowed to be: a path inside the destination that goes through no
// symbolic link of the archive, and, for a link, a target that stays inside as well.
class EntryChecker {
public:
    explicit EntryChecker(const std::vector<EntryHeader>& headers) {
        for (const EntryHeader& header : headers) {
            if (header.isSymbolicLink) {
                m_symbolicLinks.insert(header.normalizedPath());
            }
        }
    }

    // Nothing when the entry is acceptable, else the reason it is refused.
    std::optional<std::string> refusal(const EntryHeader& header) const {
        const std::string& name = header.path;
        if (name.empty()) {
            return std::string("The archive holds an entry without a name.");
        }
        if (auto reason = pathRefusal(name, name)) {
            return reason;
        }
        if (header.isSymbolicLink) {
            if (m_symbolicLinks.count(header.normalizedPath()) == 0) {
                return "The archive changed while it was read: " + quoted(name) + ".";
            }
            if (auto reason = linkTargetRefusal(name, components(name), header.linkTarget)) {
                return reason;
            }
        }
        if (header.hardLinkTarget) {
            if (header.hardLinkTarget->empty()) {
                return "Archive entry " + quoted(name) + " links to nothing.";
            }
            if (auto reason = pathRefusal(name, *header.hardLinkTarget)) {
                return reason;
            }
        }
        return std::nullopt;
    }

private:
    std::optional<std::string> pathRefusal(const std::string& name, const std::string& path) const {
        if (path.front() == '/') {
            return "Archive entry " + quoted(name) + " has an absolute path.";
        }
        const std::vector<std::string> parts = components(path);
        for (size_t index = 0; index < parts.size(); ++index) {
            if (parts[index] == "..") {
                return "Archive entry " + quoted(name) +
                       " would be written outside the destination.";
            }
            if (index + 1 < parts.size() && m_symbolicLinks.count(joined(parts, index + 1)) > 0) {
                return "Archive entry " + quoted(name) + " goes through the symbolic link " +
                       quoted(joined(parts, index + 1)) + ".";
            }
        }
        return std::nullopt;
    }

    // The target is followed from the link's folder, one component at a time; it must never rise
    // above the destination, nor pass through another link, whose target could lead anywhere.
    std::optional<std::string> linkTargetRefusal(const std::string& name,
                                                 const std::vector<std::string>& linkParts,
                                                 const std::string& target) const {
        const std::string pointsOut = "Archive entry " + quoted(name) +
                                      " is a symbolic link pointing outside the destination.";
        if (target.empty() || target.front() == '/' || linkParts.empty()) {
            return pointsOut;
        }
        std::vector<std::string> walk(linkParts.begin(), linkParts.end() - 1);
        for (const std::string& part : components(target)) {
            if (part == "..") {
                if (walk.empty()) {
                    return pointsOut;
                }
                walk.pop_back();
                continue;
            }
            walk.push_back(part);
            if (m_symbolicLinks.count(joined(walk, walk.size())) > 0) {
                return "Archive entry " + quoted(name) +
                       " is a symbolic link through the symbolic link " +
                       quoted(joined(walk, walk.size())) + ".";
            }
        }
        return std::nullopt;
    }

    std::set<std::string> m_symbolicLinks;
};

std::optional<std::string> openArchive(const ReadArchive& reader, const char* archivePath) {
    // Only the reader that works from the central directory: an archive cut short, whose local
    // entries may still read well, lacks that directory and fails as a whole.
    archive_read_support_format_zip_seekable(reader.get());
    if (archive_read_open_filename(reader.get(), archivePath, readBlockBytes) != ARCHIVE_OK) {
        return std::string("Cannot read archive ") + archivePath + ": " +
               archive_error_string(reader.get());
    }
    return std::nullopt;
}

std::string damaged(const char* archivePath, archive* reader) {
    const char* message = archive_error_string(reader);
    return std::string("The archive ") + archivePath +
           " is damaged: " + (message != nullptr ? message : "unreadable entry");
}

// Reads the headers in order and hands each to `visit`, which answers 0 to go on or an exit
// status to stop with.
template <typename Visit> int forEachEntry(const char* archivePath, Visit&& visit) {
    ReadArchive reader(archive_read_new());
    if (auto reason = openArchive(reader, archivePath)) {
        return fail(*reason);
    }
    archive_entry* entry = nullptr;
    while (true) {
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) {
            return 0;
        }
        if (status < ARCHIVE_WARN) {
            return fail(damaged(archivePath, reader.get()));
        }
        if (const int stop = visit(reader.get(), entry); stop != 0) {
            return stop;
        }
    }
}

// First pass: every header is read and checked before anything is written.
int checkEveryEntry(const char* archivePath, std::optional<EntryChecker>& checker) {
    std::vector<EntryHeader> headers;
    const int status = forEachEntry(archivePath, [&](archive*, archive_entry* entry) {
        headers.push_back(EntryHeader::of(entry));
        return 0;
    });
    if (status != 0) {
        return status;
    }
    checker.emplace(headers);
    for (const EntryHeader& header : headers) {
        if (auto reason = checker->refusal(header)) {
            return fail(*reason);
        }
    }
    return 0;
}

// Nothing when the entry's data is all on disk, else why not. A write the disk refused (a full
// one) comes back as a mere warning, and only this answer tells of it: the entry is finished and
// closed without complaint all the same, a file of the right size holding zeros.
std::optional<std::string> copyData(archive* reader, archive* writer) {
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    while (true) {
        const int status = archive_read_data_block(reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF) {
            return std::nullopt;
        }
        // A warning here is a damaged entry, a checksum that does not match for one.
        if (status != ARCHIVE_OK) {
            const char* message = archive_error_string(reader);
            return message != nullptr ? message : "the data is damaged";
        }
        if (archive_write_data_block(writer, block, size, offset) != ARCHIVE_OK) {
            // The system's reason where it gave one; libarchive's own codes are below zero.
            if (const int error = archive_errno(writer); error > 0) {
                return std::strerror(error);
            }
            const char* message = archive_error_string(writer);
            return message != nullptr ? message : "the data could not be written";
        }
    }
}

// Second pass, inside the destination: the entries are checked again as they are written, and
// the writer itself refuses any path with "..", an absolute path or a link on the way.
int writeEntries(const char* archivePath, const EntryChecker& checker) {
    WriteArchive writer(archive_write_disk_new());
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_TIME |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                     ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                     ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    const int status = forEachEntry(archivePath, [&](archive* reader, archive_entry* entry) {
        const EntryHeader header = EntryHeader::of(entry);
        if (auto reason = checker.refusal(header)) {
            return fail(*reason);
        }
        const std::string& name = header.path;
        if (components(name).empty()) {
            return 0; // the destination itself
        }
        // Permissions are kept, but never set-user-ID, set-group-ID or sticky bits.
        archive_entry_set_perm(entry, archive_entry_perm(entry) & 0777);
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN) {
            return fail("Cannot extract " + quoted(name) + ": " +
                        archive_error_string(writer.get()));
        }
        if (const auto reason = copyData(reader, writer.get())) {
            return fail("Cannot extract " + quoted(name) + ": " + *reason);
        }
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN) {
            return fail("Cannot extract " + quoted(name) + ": " +
                        archive_error_string(writer.get()));
        }
        return 0;
    });
    if (status != 0) {
        return status;
    }
    if (archive_write_close(writer.get()) < ARCHIVE_WARN) {
        return fail(std::string("Cannot finish extracting: ") + archive_error_string(writer.get()));
    }
    return 0;
}

int expandZip(const char* archivePath, const char* destination) {
    std::optional<EntryChecker> checker;
    if (const int status = checkEveryEntry(archivePath, checker); status != 0) {
        return status;
    }
    const std::string archive = std::filesystem::absolute(archivePath).string();
    std::error_code error;
    std::filesystem::create_directories(destination, error);
    if (error) {
        return fail(std::string("Cannot create ") + destination + ": " + error.message());
    }
    // Entries are written relative to the destination, so that the writer's own refusal of
    // absolute paths applies to them.
    if (chdir(destination) != 0) {
        return fail(std::string("Cannot enter ") + destination + ": " + std::strerror(errno));
    }
    return writeEntries(archive.c_str(), *checker);
}

} // namespace

int main(int argc, char** argv) {
    // Entry names are UTF-8 whatever the caller's locale says.
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
        std::setlocale(LC_ALL, "");
    }
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.size() == 4 && arguments[0] == "-x" && arguments[1] == "-k") {
        return expandZip(argv[3], argv[4]);
    }
    std::fprintf(stderr, "usage: ditto -x -k <archive> <destination>\n");
    return usageExit;
}

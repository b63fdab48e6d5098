#pragma once

#include <sys/stat.h>

#include <array>
#include <ctime>

namespace marlox::platform {

// The system's own parts of copying a file tree: what differs between systems is here, so that
// the installer's copying reads the same everywhere.

// Copies the bytes of one open file into another, each read and written from where it stands;
// `size` is what the source held when measured, and a file that grew since is copied whole. Uses
// the kernel's copy where the system has one for these files. False, with errno set, when a read
// or write fails.
bool copyFileContents(int source, int destination, off_t size);

// Copies the extended attributes of one open file or folder onto another, the quarantine mark
// among them; a file system without attributes has none to copy, and an attribute that cannot be
// read or written is left out.
void copyExtendedAttributes(int source, int destination);

// The access and modification times of a status, in the order futimens() and utimensat() take.
std::array<timespec, 2> accessAndModificationTimes(const struct stat& status);

} // namespace marlox::platform

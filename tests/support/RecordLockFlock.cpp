// Loaded before the C library (LD_PRELOAD), it makes flock behave as on a network file system,
// where it is a record lock over the whole file: an exclusive one is refused, with EBADF, on a
// descriptor that is not open for writing, and so is any on a folder.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

extern "C" int flock(int descriptor, int operation) {
    struct flock lock {};
    lock.l_whence = SEEK_SET;
    switch (operation & ~LOCK_NB) {
    case LOCK_SH:
        lock.l_type = F_RDLCK;
        break;
    case LOCK_EX:
        lock.l_type = F_WRLCK;
        break;
    case LOCK_UN:
        lock.l_type = F_UNLCK;
        break;
    default:
        errno = EINVAL;
        return -1;
    }
    if (::fcntl(descriptor, (operation & LOCK_NB) != 0 ? F_SETLK : F_SETLKW, &lock) == 0) {
        return 0;
    }
    if (errno == EACCES || errno == EAGAIN) {
        errno = EWOULDBLOCK;
    }
    return -1;
}

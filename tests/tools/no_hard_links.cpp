// Loaded with LD_PRELOAD: a file system without hard links, as a FAT disk or some network shares
// are, so that the programs take their path for one. Every hard link fails as such a file system
// fails it.
#include <cerrno>
#include <fcntl.h>

extern "C" int link(const char*, const char*) {
    errno = EPERM;
    return -1;
}

extern "C" int linkat(int, const char*, int, const char*, int) {
    errno = EPERM;
    return -1;
}

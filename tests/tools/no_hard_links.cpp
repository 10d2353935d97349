// Loaded with LD_PRELOAD: every hard link fails as on a FAT disk or some network shares, so that
// the programs take their path for file systems without them.
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

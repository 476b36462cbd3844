// What the statically linked libstdc++ of a Linux wheel asks of glibc beyond
// glibc 2.17, supplied inside the module (hidden: no other library sees it).
//
// The wheels link libstdc++ statically (cmake/python_build.cmake) so that
// they need no C++ runtime newer than the oldest system they install on. The
// archive's objects were compiled against this machine's glibc and name three
// of its newer symbols: __libc_single_threaded (2.32), getentropy (2.25) and
// arc4random (2.36). Defined here, the link resolves them to these
// definitions and the module asks the dynamic loader for none of them.
// Nothing here may allocate or throw: it runs inside the C++ runtime.
#include <sys/syscall.h>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" {

// glibc's own entry for a system call (2.2.5), declared here rather than
// through <unistd.h>, which declares getentropy with other attributes.
long syscall(long number, ...) noexcept;

// glibc sets its flag while the process has one thread, and libstdc++ then
// skips atomic operations on reference counts. Never set here: every count is
// updated atomically, which is right whatever the number of threads.
__attribute__((visibility("hidden"), used)) char __libc_single_threaded = 0;

// Fills buffer with length (at most 256) bytes from the kernel's random
// source, as glibc's getentropy does; -1 with errno set on failure (ENOSYS
// before Linux 3.17, whereupon std::random_device tries its other sources).
__attribute__((visibility("hidden"), used)) int getentropy(void *buffer, std::size_t length) noexcept {
    if (length > 256) {
        errno = EIO;
        return -1;
    }
#ifndef SYS_getrandom
    // Kernel headers older than Linux 3.17: no such call to make.
    (void)buffer;
    errno = ENOSYS;
    return -1;
#else
    auto *bytes = static_cast<unsigned char *>(buffer);
    while (length > 0) {
        const long got = syscall(SYS_getrandom, bytes, length, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        bytes += got;
        length -= static_cast<std::size_t>(got);
    }
    return 0;
#endif
}

// Four random bytes from the kernel. Like glibc's, it cannot report failure:
// without a random source it aborts rather than return a number that is not random.
__attribute__((visibility("hidden"), used)) std::uint32_t arc4random() noexcept {
    std::uint32_t value;
    if (getentropy(&value, sizeof value) != 0) std::abort();
    return value;
}

}  // extern "C"

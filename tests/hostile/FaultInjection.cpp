// Preloaded into a program under test to make the file system misbehave at
// the one moment that matters, which no outside process could hit reliably:
//
//   COURSEVIEW_FAULT_VANISH=NAME        a file named NAME is deleted just
//                                       before it is opened (it was listed,
//                                       then disappeared)
//   COURSEVIEW_FAULT_RENAME=NAME:FROM:TO once a file named NAME has been
//                                       opened, the folder FROM is renamed TO
//   COURSEVIEW_FAULT_FAIL_READ=NAME     reads of a file named NAME fail with
//                                       EIO after the first one
//
// NAME is the last part of the path. Only the main thread's calls count (the
// scan runs there; helper threads may read ahead). Nothing else is touched.

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

int failingDescriptor = -1;
int readsSeen = 0;
bool renamed = false;

const char* LastPart(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

bool OnMainThread() { return syscall(SYS_gettid) == getpid(); }

bool Named(const char* variable, const char* path) {
    if (!OnMainThread()) return false;
    const char* name = getenv(variable);
    return name != nullptr && *name != 0 && strcmp(LastPart(path), name) == 0;
}

void BeforeOpen(int folder, const char* path) {
    if (Named("COURSEVIEW_FAULT_VANISH", path)) unlinkat(folder, path, 0);
}

// True when this read of `descriptor` must fail: every one after the first.
bool ReadFails(int descriptor) {
    if (descriptor < 0 || descriptor != failingDescriptor || readsSeen++ == 0) return false;
    errno = EIO;
    return true;
}

// Returns `descriptor`, which the call opened.
int AfterOpen(const char* path, int descriptor) {
    if (descriptor < 0) return descriptor;
    if (Named("COURSEVIEW_FAULT_FAIL_READ", path)) {
        failingDescriptor = descriptor;
        readsSeen = 0;
    }
    const char* rule = getenv("COURSEVIEW_FAULT_RENAME");
    if (rule == nullptr || renamed || !OnMainThread()) return descriptor;
    char copy[8192];
    snprintf(copy, sizeof copy, "%s", rule);
    char* from = strchr(copy, ':');
    char* to = from != nullptr ? strchr(from + 1, ':') : nullptr;
    if (to == nullptr) return descriptor;
    *from++ = 0;
    *to++ = 0;
    if (strcmp(LastPart(path), copy) != 0) return descriptor;
    renamed = true;
    rename(from, to);
    return descriptor;
}

mode_t ModeArgument(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// Each call goes on to the C library's own, with its fault around it.
#define INTERCEPT_OPEN(name, parameters, call, folder)         \
    int name parameters {                                      \
        va_list arguments;                                     \
        va_start(arguments, flags);                            \
        const mode_t mode = ModeArgument(flags, arguments);    \
        va_end(arguments);                                     \
        static const auto real = Next<decltype(&name)>(#name); \
        BeforeOpen(folder, path);                              \
        return AfterOpen(path, real call);                     \
    }
#define INTERCEPT_READ(name, parameters, call)                 \
    ssize_t name parameters {                                  \
        static const auto real = Next<decltype(&name)>(#name); \
        return ReadFails(descriptor) ? -1 : real call;         \
    }

extern "C" {

INTERCEPT_OPEN(open, (const char* path, int flags, ...), (path, flags, mode), AT_FDCWD)
INTERCEPT_OPEN(open64, (const char* path, int flags, ...), (path, flags, mode), AT_FDCWD)
INTERCEPT_OPEN(openat, (int folder, const char* path, int flags, ...), (folder, path, flags, mode),
               folder)
INTERCEPT_OPEN(openat64, (int folder, const char* path, int flags, ...),
               (folder, path, flags, mode), folder)

INTERCEPT_READ(read, (int descriptor, void* buffer, size_t size), (descriptor, buffer, size))
INTERCEPT_READ(pread, (int descriptor, void* buffer, size_t size, off_t offset),
               (descriptor, buffer, size, offset))
INTERCEPT_READ(pread64, (int descriptor, void* buffer, size_t size, off_t offset),
               (descriptor, buffer, size, offset))
INTERCEPT_READ(readv, (int descriptor, const iovec* parts, int count), (descriptor, parts, count))
INTERCEPT_READ(preadv, (int descriptor, const iovec* parts, int count, off_t offset),
               (descriptor, parts, count, offset))
INTERCEPT_READ(preadv64, (int descriptor, const iovec* parts, int count, off_t offset),
               (descriptor, parts, count, offset))
INTERCEPT_READ(preadv2, (int descriptor, const iovec* parts, int count, off_t offset, int flags),
               (descriptor, parts, count, offset, flags))
INTERCEPT_READ(preadv64v2, (int descriptor, const iovec* parts, int count, off_t offset, int flags),
               (descriptor, parts, count, offset, flags))

int close(int descriptor) {
    static const auto real = Next<decltype(&close)>("close");
    if (descriptor == failingDescriptor) failingDescriptor = -1;
    return real(descriptor);
}

}  // extern "C"

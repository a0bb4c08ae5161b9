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

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);
using ReadFunction = ssize_t (*)(int, void*, size_t);
using PositionedReadFunction = ssize_t (*)(int, void*, size_t, off_t);
using VectorReadFunction = ssize_t (*)(int, const iovec*, int);
using PositionedVectorReadFunction = ssize_t (*)(int, const iovec*, int, off_t);
using FlaggedVectorReadFunction = ssize_t (*)(int, const iovec*, int, off_t, int);
using CloseFunction = int (*)(int);

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

void AfterOpen(const char* path, int descriptor) {
    if (descriptor < 0) return;
    if (Named("COURSEVIEW_FAULT_FAIL_READ", path)) {
        failingDescriptor = descriptor;
        readsSeen = 0;
    }
    const char* rule = getenv("COURSEVIEW_FAULT_RENAME");
    if (rule == nullptr || renamed || !OnMainThread()) return;
    char copy[8192];
    snprintf(copy, sizeof copy, "%s", rule);
    char* from = strchr(copy, ':');
    if (from == nullptr) return;
    *from++ = 0;
    char* to = strchr(from, ':');
    if (to == nullptr) return;
    *to++ = 0;
    if (strcmp(LastPart(path), copy) != 0) return;
    renamed = true;
    rename(from, to);
}

mode_t ModeArgument(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<OpenFunction>("open");
    BeforeOpen(AT_FDCWD, path);
    const int descriptor = real(path, flags, mode);
    AfterOpen(path, descriptor);
    return descriptor;
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<OpenFunction>("open64");
    BeforeOpen(AT_FDCWD, path);
    const int descriptor = real(path, flags, mode);
    AfterOpen(path, descriptor);
    return descriptor;
}

int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<OpenAtFunction>("openat");
    BeforeOpen(folder, path);
    const int descriptor = real(folder, path, flags, mode);
    AfterOpen(path, descriptor);
    return descriptor;
}

int openat64(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<OpenAtFunction>("openat64");
    BeforeOpen(folder, path);
    const int descriptor = real(folder, path, flags, mode);
    AfterOpen(path, descriptor);
    return descriptor;
}

ssize_t read(int descriptor, void* buffer, size_t size) {
    static const auto real = Next<ReadFunction>("read");
    return ReadFails(descriptor) ? -1 : real(descriptor, buffer, size);
}

ssize_t pread(int descriptor, void* buffer, size_t size, off_t offset) {
    static const auto real = Next<PositionedReadFunction>("pread");
    return ReadFails(descriptor) ? -1 : real(descriptor, buffer, size, offset);
}

ssize_t pread64(int descriptor, void* buffer, size_t size, off_t offset) {
    static const auto real = Next<PositionedReadFunction>("pread64");
    return ReadFails(descriptor) ? -1 : real(descriptor, buffer, size, offset);
}

ssize_t readv(int descriptor, const iovec* parts, int count) {
    static const auto real = Next<VectorReadFunction>("readv");
    return ReadFails(descriptor) ? -1 : real(descriptor, parts, count);
}

ssize_t preadv(int descriptor, const iovec* parts, int count, off_t offset) {
    static const auto real = Next<PositionedVectorReadFunction>("preadv");
    return ReadFails(descriptor) ? -1 : real(descriptor, parts, count, offset);
}

ssize_t preadv64(int descriptor, const iovec* parts, int count, off_t offset) {
    static const auto real = Next<PositionedVectorReadFunction>("preadv64");
    return ReadFails(descriptor) ? -1 : real(descriptor, parts, count, offset);
}

ssize_t preadv2(int descriptor, const iovec* parts, int count, off_t offset, int flags) {
    static const auto real = Next<FlaggedVectorReadFunction>("preadv2");
    return ReadFails(descriptor) ? -1 : real(descriptor, parts, count, offset, flags);
}

ssize_t preadv64v2(int descriptor, const iovec* parts, int count, off_t offset, int flags) {
    static const auto real = Next<FlaggedVectorReadFunction>("preadv64v2");
    return ReadFails(descriptor) ? -1 : real(descriptor, parts, count, offset, flags);
}

int close(int descriptor) {
    static const auto real = Next<CloseFunction>("close");
    if (descriptor == failingDescriptor) failingDescriptor = -1;
    return real(descriptor);
}

}  // extern "C"

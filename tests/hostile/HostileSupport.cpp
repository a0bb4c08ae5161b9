#include "HostileSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace courseview::testing {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void WriteAll(int descriptor, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) Fail("write");
        written += static_cast<std::size_t>(count);
    }
}

int OpenFolderAt(int folder, const std::string& name) {
    return ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::uint64_t PlaceKey(std::uint64_t parent, const std::string& name) {
    std::uint64_t hash = parent ^ 0xcbf29ce484222325ull;
    for (unsigned char c : name) hash = (hash ^ c) * 0x100000001b3ull;
    return (hash ^ 0x2F) * 0x100000001b3ull;
}

}  // namespace

std::string WriteFile(const std::string& path, std::string_view bytes) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) Fail("create " + path);
    WriteAll(descriptor, bytes);
    ::close(descriptor);
    return path;
}

std::string MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0) Fail("mkdir " + path);
    return path;
}

void MakeFifo(const std::string& path) {
    if (::mkfifo(path.c_str(), 0600) != 0) Fail("mkfifo " + path);
}

void MakeLink(const std::string& target, const std::string& path) {
    if (::symlink(target.c_str(), path.c_str()) != 0) Fail("symlink " + path);
}

int MakeNestedFolders(const std::string& root, const std::string& name, int depth, int pageEvery,
                      const std::string& pageBytes) {
    int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) Fail("open " + root);
    int made = 0;
    auto writePage = [&](int at) {
        const int page = ::openat(at, "p.htm", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (page < 0) Fail("create p.htm");
        WriteAll(page, pageBytes);
        ::close(page);
    };
    for (; made < depth; ++made) {
        if (::mkdirat(folder, name.c_str(), 0755) != 0) break;
        const int inner = OpenFolderAt(folder, name);
        if (inner < 0) break;
        ::close(folder);
        folder = inner;
        if (pageEvery > 0 && (made + 1) % pageEvery == 0) writePage(folder);
    }
    if (made > 0) writePage(folder);
    ::close(folder);
    return made;
}

Snapshot TakeSnapshot(const std::string& root) {
    Snapshot snapshot;
    int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) Fail("open " + root);
    struct Level {
        std::uint64_t key;
        std::vector<std::string> folders;  // still to visit, in name order
        std::size_t next = 0;
    };
    auto list = [&](std::uint64_t key, int depth) {
        Level level{key, {}, 0};
        std::vector<std::string> names = ListingOrder(folder);
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            struct stat status {};
            if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
            SnapshotEntry entry{name,
                                depth,
                                static_cast<mode_t>(status.st_mode & S_IFMT),
                                static_cast<std::int64_t>(status.st_size),
                                static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                                    status.st_mtim.tv_nsec,
                                static_cast<std::uint64_t>(status.st_ino),
                                {}};
            if (S_ISLNK(status.st_mode)) {
                char target[4096];
                const ssize_t length = ::readlinkat(folder, name.c_str(), target, sizeof target);
                if (length > 0) entry.linkTarget.assign(target, static_cast<std::size_t>(length));
            }
            if (S_ISDIR(status.st_mode)) level.folders.push_back(name);
            snapshot.emplace(PlaceKey(key, name), std::move(entry));
        }
        return level;
    };
    std::vector<Level> levels;
    levels.push_back(list(0, 0));
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next < level.folders.size()) {
            const std::string name = level.folders[level.next++];
            const int child = OpenFolderAt(folder, name);
            if (child < 0) continue;  // unreadable: its entry is recorded, its inside is not
            ::close(folder);
            folder = child;
            const std::uint64_t key = PlaceKey(level.key, name);
            levels.push_back(list(key, static_cast<int>(levels.size())));
            continue;
        }
        levels.pop_back();
        if (levels.empty()) break;
        const int parent = ::openat(folder, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (parent < 0) Fail("open ..");
        ::close(folder);
        folder = parent;
    }
    ::close(folder);
    return snapshot;
}

::testing::AssertionResult SameTree(const Snapshot& before, const std::string& root,
                                    bool ignoreFolderTimes) {
    const Snapshot after = TakeSnapshot(root);
    std::vector<std::string> differences;
    auto describe = [](const SnapshotEntry& entry) {
        return "\"" + entry.name + "\" at depth " + std::to_string(entry.depth);
    };
    for (const auto& [key, entry] : before) {
        const auto found = after.find(key);
        if (found == after.end()) {
            differences.push_back("gone: " + describe(entry));
            continue;
        }
        SnapshotEntry now = found->second;
        if (ignoreFolderTimes && S_ISDIR(entry.type))
            now.modifiedNanoseconds = entry.modifiedNanoseconds;
        if (!(now == entry)) differences.push_back("changed: " + describe(entry));
    }
    for (const auto& [key, entry] : after) {
        if (before.find(key) == before.end()) differences.push_back("new: " + describe(entry));
    }
    if (differences.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences.size() << " changes in " << root
                                         << ", the first: " << differences.front();
}

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingFolder,
                      const std::map<std::string, std::string>& environment, int deadlineSeconds) {
    int output[2];
    int errors[2];
    if (::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0) Fail("pipe");
    // Everything the child needs is prepared here: after fork only
    // async-signal-safe calls are allowed.
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        if (environment.count(text.substr(0, text.find('='))) == 0) variables.push_back(text);
    }
    for (const auto& [name, value] : environment) variables.push_back(name + "=" + value);
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) Fail("fork");
    if (child == 0) {
        ::dup2(output[1], 1);
        ::dup2(errors[1], 2);
        if (::chdir(workingFolder.c_str()) != 0) ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(output[1]);
    ::close(errors[1]);

    ProgramRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(deadlineSeconds);
    pollfd streams[2] = {{output[0], POLLIN, 0}, {errors[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.output, &run.errors};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.hung = true;
            ::kill(child, SIGKILL);
            break;
        }
        const int ready =
            ::poll(streams, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) Fail("poll");
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0) continue;
            const ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(streams[i].fd);
                streams[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& stream : streams) {
        if (stream.fd >= 0) ::close(stream.fd);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

}  // namespace courseview::testing

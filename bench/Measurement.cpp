#include "Measurement.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace courseview::bench {

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double MedianSeconds(int runs, const std::function<void()>& work,
                     const std::function<void()>& before) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (before) before();
        const double start = NowSeconds();
        work();
        times.push_back(NowSeconds() - start);
    }
    return Median(times);
}

namespace {

bool WriteDropCaches() {
    const int descriptor = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool written = ::write(descriptor, "3\n", 2) == 2;
    ::close(descriptor);
    return written;
}

}  // namespace

bool CanDropPageCache() {
    ::sync();
    return WriteDropCaches();
}

void DropPageCache() {
    ::sync();
    if (!WriteDropCaches()) throw std::runtime_error("cannot drop the page cache");
}

namespace {

// Forks and runs `argv` with its output thrown away; fills in what wait4 saw.
int RunAndWait(char** argv, struct rusage& usage) {
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    int status = 0;
    if (::wait4(child, &status, 0, &usage) != child) throw std::runtime_error("wait4 failed");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int ReportPeakRssOf(char** programArguments) {
    struct rusage usage {};
    const double start = NowSeconds();
    const int status = RunAndWait(programArguments, usage);
    const double seconds = NowSeconds() - start;
    std::printf("%d %llu %.6f\n", status, static_cast<unsigned long long>(usage.ru_maxrss) * 1024,
                seconds);
    return 0;
}

std::string CatalogueToolPath() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() +
           "/courseview-catalogue";
}

ChildRun RunQuietly(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{std::filesystem::read_symlink("/proc/self/exe").string(),
                                     PeakRssOption};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ChildRun run;
    unsigned long long peak = 0;
    if (std::sscanf(report.c_str(), "%d %llu %lf", &run.exitStatus, &peak, &run.seconds) != 3) {
        throw std::runtime_error("no peak memory reported for " + arguments.front());
    }
    run.peakRssBytes = peak;
    return run;
}

namespace {

// The value of the first "key : value" line of a /proc file that starts with `key`.
std::string ProcValue(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const auto begin = line.find_first_not_of(" \t", colon + 1);
        return begin == std::string::npos ? std::string() : line.substr(begin);
    }
    return {};
}

std::string FileSystemName(const std::string& folder) {
    struct statfs status {};
    if (::statfs(folder.c_str(), &status) != 0) return "unknown file system";
    switch (static_cast<unsigned long>(status.f_type)) {
        case 0xEF53:
            return "ext4";
        case 0x58465342:
            return "xfs";
        case 0x9123683E:
            return "btrfs";
        case 0x01021994:
            return "tmpfs";
        case 0x794C7630:
            return "overlayfs";
        default:
            return "file system 0x" + [&] {
                char hex[32];
                std::snprintf(hex, sizeof hex, "%lx", static_cast<unsigned long>(status.f_type));
                return std::string(hex);
            }();
    }
}

}  // namespace

std::string MachineDescription(const std::string& folder) {
    struct utsname system {};
    ::uname(&system);
    const std::string memory = ProcValue("/proc/meminfo", "MemTotal");
    const double gigabytes = std::atof(memory.c_str()) / (1024.0 * 1024.0);
    char text[512];
    std::snprintf(text, sizeof text, "%s, %u cores, %.0f GB RAM, Linux %s, %s",
                  ProcValue("/proc/cpuinfo", "model name").c_str(),
                  std::thread::hardware_concurrency(), gigabytes, system.release,
                  FileSystemName(folder).c_str());
    return text;
}

std::uint64_t PeakRssBytesOfThisProcess() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

}  // namespace courseview::bench

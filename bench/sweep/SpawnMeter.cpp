// dustlyn_bench_spawn PROGRAM [ARGUMENT...]: runs PROGRAM and writes what it cost to
// descriptor 3 as one line, "STATUS SECONDS CPU-SECONDS PEAK-KIB".
//
// A child's peak resident memory as the kernel reports it includes the memory of the process
// that started it, as it was at the exec: a benchmark holding a large history in memory would
// see every child, `mv` included, at least that large. Started from this small program, the
// figure is the child's own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

double secondsOf(const timeval& time) {
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double now() {
    timespec at{};
    ::clock_gettime(CLOCK_MONOTONIC, &at);
    return double(at.tv_sec) + double(at.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: dustlyn_bench_spawn PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const double start = now();
    const pid_t pid = ::fork();
    if (pid < 0)
        return 125;
    if (pid == 0) {
        ::close(3);
        ::execvp(argv[1], argv + 1);
        std::fprintf(stderr, "cannot start %s: %s\n", argv[1], std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const double seconds = now() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    char line[128];
    const int length =
        std::snprintf(line, sizeof line, "%d %.9f %.9f %ld\n", code, seconds,
                      secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime), usage.ru_maxrss);
    if (::write(3, line, std::size_t(length)) != length)
        return 125;
    return 0;
}

// Speed and memory of the direct request next to the curl command line, over loopback:
// 200 photo-sized files one after another, and one 64 MiB body.
//
// The server runs in a process of its own and writes every body in 64 KiB pieces, so that its
// buffers count nowhere. Each measured fetch runs in a child process: the time is taken from
// fork to exit in both cases (process start included), the peak resident size is the child's
// own (getrusage of the waited-for child). Every figure is the median of several rounds.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "http/direct_request.h"
#include "tests/fixtures/loopback_server.h"

namespace {

constexpr int kFileCount = 200;
constexpr std::size_t kFileSize = 256 * 1024;
constexpr std::size_t kBigSize = std::size_t{64} << 20;
constexpr std::size_t kPieceSize = 64 * 1024;
constexpr int kRounds = 11;

[[noreturn]] void serve(int portPipe) {
    std::string piece(kPieceSize, '\0');
    for (std::size_t i = 0; i < piece.size(); ++i)
        piece[i] = static_cast<char>(i * 31 % 253);
    fixtures::LoopbackServer server(
        [&piece](fixtures::Connection& connection, fixtures::LoopbackServer&) {
            auto request = connection.readRequest();
            if (!request)
                return;
            std::size_t size = request->target == "/big" ? kBigSize : kFileSize;
            connection.write(
                "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: image/jpeg\r\n"
                "Content-Length: " +
                std::to_string(size) + "\r\n\r\n");
            for (std::size_t sent = 0; sent < size; sent += kPieceSize)
                if (!connection.write(std::string_view(piece).substr(0, size - sent)))
                    return;
        });
    std::uint16_t port = server.port();
    if (::write(portPipe, &port, sizeof port) != sizeof port)
        std::_Exit(1);
    for (;;)
        ::pause();
}

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system time of the fetching process
    double peakMiB = 0;
    long pageFaults = 0;
    bool ok = false;
};

Run waitFor(pid_t child, std::chrono::steady_clock::time_point started) {
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.pageFaults = usage.ru_minflt;
    auto toSeconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    run.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

Run inChild(const std::function<bool()>& work) {
    auto started = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0)
        std::_Exit(work() ? 0 : 1);
    return waitFor(child, started);
}

Run curlCommand(const std::vector<std::string>& urls, const std::string& output = "/dev/null") {
    std::vector<std::string> args = {"curl", "-s", "-H", "Connection: close"};
    for (const std::string& url : urls) {
        args.push_back("-o");
        args.push_back(output);
        args.push_back(url);
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    auto started = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0) {
        ::execvp("curl", argv.data());
        std::_Exit(127);
    }
    return waitFor(child, started);
}

// Medians of time and processor time taken separately; the largest peak size of all rounds.
Run median(const std::vector<Run>& runs) {
    auto middle = [&](double Run::*field) {
        std::vector<double> values;
        for (const Run& r : runs)
            values.push_back(r.*field);
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    Run m;
    m.seconds = middle(&Run::seconds);
    m.cpuSeconds = middle(&Run::cpuSeconds);
    m.peakMiB = middle(&Run::peakMiB);
    for (const Run& r : runs)
        m.peakMiB = std::max(m.peakMiB, r.peakMiB);
    m.pageFaults = runs.front().pageFaults;
    m.ok = std::all_of(runs.begin(), runs.end(), [](const Run& r) { return r.ok; });
    return m;
}

void report(const char* what, const Run& ours, const Run& curl, const char* curlForm) {
    std::printf("%s\n", what);
    auto line = [](const char* who, const Run& r) {
        std::printf(
            "  %-11s: %7.3f s wall  %7.3f s cpu  peak RSS %6.1f MiB  page faults %6ld  %s\n", who,
            r.seconds, r.cpuSeconds, r.peakMiB, r.pageFaults, r.ok ? "ok" : "FAILED");
    };
    line("httpRequest", ours);
    line("curl", curl);
    std::printf("  curl form: %s\n", curlForm);
    std::printf("  ratio httpRequest / curl: wall %.3f, cpu %.3f (target <= 1.10)\n\n",
                ours.seconds / curl.seconds, ours.cpuSeconds / curl.cpuSeconds);
}

}  // namespace

int main() {
    int portPipe[2];
    if (::pipe(portPipe) != 0)
        return 1;
    pid_t server = ::fork();
    if (server == 0)
        serve(portPipe[1]);
    std::uint16_t port = 0;
    if (::read(portPipe[0], &port, sizeof port) != sizeof port)
        return 1;
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    std::vector<std::string> files;
    for (int i = 1; i <= kFileCount; ++i)
        files.push_back(base + "/photo/" + std::to_string(i) + ".jpg");
    const std::string big = base + "/big";

    // tmpfs: curl's copy of the body then ends up in memory, as the returned one does.
    const std::string inMemory = "/dev/shm/http_bench_body." + std::to_string(::getpid());
    std::vector<Run> oursFiles, curlFiles, oursBig, curlBig, curlBigInMemory;
    for (int round = 0; round < kRounds; ++round) {
        oursFiles.push_back(inChild([&] {
            for (const std::string& url : files)
                if (httpRequest(url, 0).size() != kFileSize)
                    return false;
            return true;
        }));
        curlFiles.push_back(curlCommand(files));
        oursBig.push_back(inChild([&] { return httpRequest(big, 0).size() == kBigSize; }));
        curlBig.push_back(curlCommand({big}));
        curlBigInMemory.push_back(curlCommand({big}, inMemory));
        ::unlink(inMemory.c_str());
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);

    std::printf(
        "Loopback, medians of %d rounds; wall time from fork to exit of the fetching process,\n"
        "cpu time its user + system time.\n\n",
        kRounds);
    report("200 files of 256 KiB, one after another (server answers Connection: close)",
           median(oursFiles), median(curlFiles), "one process for all 200 URLs");
    report("one body of 64 MiB", median(oursBig), median(curlBig), "one process, -o /dev/null");
    report("one body of 64 MiB, curl writing into memory", median(oursBig), median(curlBigInMemory),
           "one process, -o a file on tmpfs (/dev/shm)");
    return 0;
}

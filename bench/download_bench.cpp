// The download loop against curl, and its peak memory.
//
// 1. A whole album of 200 photos of 256 KiB from the fake album service on loopback, through
//    downloadAllPhotos (files into a temporary folder, the message box a no-op), against
//    `curl -H 'Connection: close'` fetching the same URLs into files: the fastest of several
//    runs each, and their ratio (target <= 1.10x).
// 2. The peak resident memory of a fresh process that downloads an album of 50 photos of 8 MiB
//    (target <= 80 MiB + 3 x 8 MiB), next to that of the same process with an empty album.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "download/download_loop.h"
#include "platform/gui_files.h"
#include "platform/network_library.h"
#include "tests/fixtures/fake_album_service.h"

extern char** environ;

namespace {

constexpr int kTimedPhotos = 200;
constexpr std::size_t kTimedPhotoSize = 256 * 1024;
constexpr int kLargePhotos = 50;
constexpr std::size_t kLargePhotoSize = 8 * 1024 * 1024;
constexpr int kRuns = 7;
constexpr char kChildFlag[] = "--download-child";

// A fresh folder, removed with its contents.
class Folder {
  public:
    explicit Folder(const std::string& tag) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("qza-bench-" + tag + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Downloads `urls` into runDirectory/album with the program's loop; returns the failures seen
// in the completion message ("" when all were saved).
std::string downloadWithLoop(const TextArray& urls, const std::string& runDirectory) {
    const std::string album = "album";
    std::filesystem::create_directories(runDirectory + "/" + album);
    std::int32_t counter = 0;
    std::string message;
    std::size_t failedLines = 0;
    const DownloadSeam seam{
        urls,
        counter,
        runDirectory,
        runDirectory,
        [&album] { return album; },
        [&failedLines](const Text& line) {
            // Any line that is not a success line is a failure ("下载完成 " is D5 FD CD EA in GBK
            // after the name; a failure line lacks it).
            if (line.find("\xCF\xC2\xD4\xD8\xCD\xEA\xB3\xC9 ") == Text::npos)
                ++failedLines;
        },
        [](const std::string& path, const Bytes& bytes) {
            return platform::gui::writeWholeFile(path, bytes);
        },
        [&message](const Text&, const Text&) {},
    };
    downloadAllPhotos(seam);
    return failedLines == 0 ? "" : std::to_string(failedLines) + " photos failed";
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void emptyFolder(const std::string& path) {
    for (const auto& entry : std::filesystem::directory_iterator(path))
        std::filesystem::remove_all(entry.path());
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double childrenCpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double milliseconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

int runCurl(const std::vector<std::string>& urls, const std::string& folder) {
    const std::string config = folder + "/curl.config";
    {
        std::ofstream out(config);
        for (std::size_t i = 0; i < urls.size(); ++i)
            out << "url = \"" << urls[i] << "\"\noutput = \"" << folder << "/" << (i + 1)
                << ".jpg\"\n";
    }
    const std::string command =
        "curl --silent --show-error --fail -H 'Connection: close' --config '" + config + "'";
    return std::system(command.c_str());
}

struct ChildResult {
    bool ok = false;
    long peakKiB = 0;
};

// The process's own peak resident memory in KiB (VmHWM). The parent cannot take it from wait4:
// a spawned child's figure there includes what its parent had resident when it was spawned.
long ownPeakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// Runs this program again as a fresh process that downloads the URLs listed in `urlFile`; it
// leaves its peak memory in runDirectory/peak.
ChildResult runChild(const std::string& self, const std::string& urlFile,
                     const std::string& runDirectory) {
    std::vector<std::string> args = {self, kChildFlag, urlFile, runDirectory};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return {};
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return {};
    long peak = 0;
    std::ifstream(runDirectory + "/peak") >> peak;
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0 && peak > 0, peak};
}

int childMain(const std::string& urlFile, const std::string& runDirectory) {
    platform::startNetworkLibrary();
    TextArray urls;
    std::ifstream in(urlFile);
    for (std::string line; std::getline(in, line);)
        urls.push_back(line);
    const std::string failures = downloadWithLoop(urls, runDirectory);
    if (!failures.empty())
        std::fprintf(stderr, "child: %s\n", failures.c_str());
    platform::stopNetworkLibrary();
    std::ofstream(runDirectory + "/peak") << ownPeakKiB() << "\n";
    return failures.empty() ? 0 : 1;
}

std::vector<std::string> albumUrls(const fixtures::FakeAlbumService& service,
                                   const std::string& album, int count) {
    std::vector<std::string> urls;
    for (int n = 1; n <= count; ++n)
        urls.push_back(service.photoUrl(album, n));
    return urls;
}

bool sameFiles(const std::string& a, const std::string& b, int count) {
    for (int n = 1; n <= count; ++n) {
        const std::string name = "/" + std::to_string(n) + ".jpg";
        if (std::filesystem::file_size(a + name) != std::filesystem::file_size(b + name))
            return false;
    }
    return true;
}

int timeAgainstCurl(fixtures::FakeAlbumService& service) {
    service.setAlbums("1", {fixtures::FakeAlbum{"timed", "t", kTimedPhotos, kTimedPhotoSize, {}}});
    const std::vector<std::string> urls = albumUrls(service, "timed", kTimedPhotos);
    const TextArray list(urls.begin(), urls.end());
    Folder loopFolder("loop");
    Folder curlFolder("curl");

    std::vector<double> loopTimes;
    std::vector<double> curlTimes;
    // CPU time as well: on a busy machine it varies far less than the wall time. The loop's is
    // that of the calling thread (the fake service runs on threads of its own), curl's that of
    // its process.
    std::vector<double> loopCpu;
    std::vector<double> curlCpu;
    std::string failures;
    int curlStatus = 0;
    // Alternating, so that a busy spell of the machine hits both sides alike; every run starts
    // from empty folders, as the first download of an album does.
    for (int run = 0; run <= kRuns; ++run) {
        emptyFolder(loopFolder.path());
        emptyFolder(curlFolder.path());
        const double loopCpuStart = threadCpuMs();
        const double loopMs =
            milliseconds([&] { failures = downloadWithLoop(list, loopFolder.path()); });
        const double loopCpuMs = threadCpuMs() - loopCpuStart;
        const double curlCpuStart = childrenCpuMs();
        const double curlMs = milliseconds([&] { curlStatus = runCurl(urls, curlFolder.path()); });
        const double curlCpuMs = childrenCpuMs() - curlCpuStart;
        if (std::getenv("QZA_BENCH_VERBOSE") != nullptr)
            std::printf("  run %d: loop %.1f ms, curl %.1f ms\n", run, loopMs, curlMs);
        if (run == 0)
            continue;  // warm-up: page cache, first connections
        loopTimes.push_back(loopMs);
        curlTimes.push_back(curlMs);
        loopCpu.push_back(loopCpuMs);
        curlCpu.push_back(curlCpuMs);
    }
    if (!failures.empty() || curlStatus != 0 ||
        !sameFiles(loopFolder.path() + "/album", curlFolder.path(), kTimedPhotos)) {
        std::fprintf(stderr, "download failed (loop: %s, curl status %d)\n", failures.c_str(),
                     curlStatus);
        return 1;
    }
    const double loopMedian = median(loopTimes);
    const double curlMedian = median(curlTimes);
    const double loopBest = *std::min_element(loopTimes.begin(), loopTimes.end());
    const double curlBest = *std::min_element(curlTimes.begin(), curlTimes.end());
    std::printf("album of %d x %zu KiB, %d runs each      median     fastest\n", kTimedPhotos,
                kTimedPhotoSize / 1024, kRuns);
    std::printf("  downloadAllPhotos              %8.1f ms %8.1f ms\n", loopMedian, loopBest);
    std::printf("  curl -H 'Connection: close'    %8.1f ms %8.1f ms\n", curlMedian, curlBest);
    std::printf("  ratio (target <= 1.10x)        %8.3fx  %8.3fx\n", loopMedian / curlMedian,
                loopBest / curlBest);
    std::printf("  CPU time: loop %.1f ms, curl %.1f ms (medians), ratio %.3fx\n", median(loopCpu),
                median(curlCpu), median(loopCpu) / median(curlCpu));
    return 0;
}

int measurePeakMemory(fixtures::FakeAlbumService& service, const std::string& self) {
    service.setAlbums("2", {fixtures::FakeAlbum{"large", "l", kLargePhotos, kLargePhotoSize, {}}});
    Folder folder("rss");
    const std::string urlFile = folder.path() + "/urls.txt";
    const std::string emptyFile = folder.path() + "/none.txt";
    {
        std::ofstream out(urlFile);
        for (const std::string& url : albumUrls(service, "large", kLargePhotos))
            out << url << "\n";
        std::ofstream empty(emptyFile);
    }
    const ChildResult baseline = runChild(self, emptyFile, folder.path() + "/empty");
    const ChildResult large = runChild(self, urlFile, folder.path() + "/large");
    if (!baseline.ok || !large.ok) {
        std::fprintf(stderr, "the download process failed\n");
        return 1;
    }
    const double limitMiB = 80.0 + 3.0 * kLargePhotoSize / (1024.0 * 1024.0);
    std::printf("album of %d x %zu MiB in a fresh process\n", kLargePhotos,
                kLargePhotoSize / (1024 * 1024));
    std::printf("  peak RSS, empty album  %8.1f MiB\n", baseline.peakKiB / 1024.0);
    std::printf("  peak RSS, 50 x 8 MiB   %8.1f MiB (target <= %.0f MiB)\n", large.peakKiB / 1024.0,
                limitMiB);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == kChildFlag)
        return childMain(argv[2], argv[3]);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    platform::startNetworkLibrary();
    fixtures::FakeAlbumService service;
    int status = timeAgainstCurl(service);
    status |= measurePeakMemory(service, self);
    platform::stopNetworkLibrary();
    return status;
}

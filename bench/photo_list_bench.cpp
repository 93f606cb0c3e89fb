// How fetching a photo list grows with the album: 1,000 and 10,000 photos from the fake album
// service, the per-URL event processing included. Prints both times and their ratio; a linear
// list stays near 10x.
#include <QCoreApplication>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/events.h"
#include "qzone/photo_list.h"
#include "tests/fixtures/fake_album_service.h"

namespace {

// Wall time, and the CPU time of the calling thread: on a busy machine other processes stretch
// the wall time of long runs more than that of short ones, while the thread's CPU time shows
// the work the window thread itself does.
struct Span {
    double wallMs = 1e300;
    double cpuMs = 1e300;
};

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The fastest of `runs` runs, wall and CPU time taken separately.
Span bestOf(int runs, const std::function<void()>& work) {
    Span best;
    for (int i = 0; i < runs; ++i) {
        auto wallStart = std::chrono::steady_clock::now();
        double cpuStart = threadCpuMs();
        work();
        best.cpuMs = std::min(best.cpuMs, threadCpuMs() - cpuStart);
        best.wallMs = std::min(best.wallMs, std::chrono::duration<double, std::milli>(
                                                std::chrono::steady_clock::now() - wallStart)
                                                .count());
    }
    return best;
}

struct Timing {
    Span fetch;  // request, reply and parsing, as the window calls it
    Span parse;  // parsing the same reply alone, with the same event processing
    std::size_t replyBytes = 0;
};

Timing measure(fixtures::FakeAlbumService& service, const std::string& album, int photos) {
    constexpr int kRuns = 7;
    Text urls;
    Timing t;
    t.fetch = bestOf(kRuns, [&] { urls = qzone::fetchPhotoUrls("10001", album); });
    if (std::count(urls.begin(), urls.end(), '\n') != photos) {
        std::fprintf(stderr, "album %s: expected %d URLs\n", album.c_str(), photos);
        std::exit(1);
    }
    const std::string reply = service.photoListReply("10001", album);
    t.replyBytes = reply.size();
    t.parse =
        bestOf(kRuns, [&] { qzone::photoUrlsFromReply(reply, &platform::processPendingEvents); });
    return t;
}

void printRow(const char* label, const Timing& t) {
    std::printf(
        "%-16s fetch %8.2f ms wall %8.2f ms cpu   parse %8.2f ms wall %8.2f ms cpu   "
        "reply %zu bytes\n",
        label, t.fetch.wallMs, t.fetch.cpuMs, t.parse.wallMs, t.parse.cpuMs, t.replyBytes);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    fixtures::FakeAlbumService service;
    service.setAlbums("10001", {fixtures::FakeAlbum{"S1k", "small", 1000, 1024, {}},
                                fixtures::FakeAlbum{"S10k", "large", 10000, 1024, {}}});
    setenv("QZONE_ALBUM_CONNECT_TO", service.connectToValue().c_str(), 1);

    Timing small = measure(service, "S1k", 1000);
    Timing large = measure(service, "S10k", 10000);
    printRow("1,000 photos", small);
    printRow("10,000 photos", large);
    std::printf(
        "ratio 10k / 1k   fetch %8.2fx   wall %8.2fx cpu   parse %8.2fx   wall %8.2fx cpu"
        "   (target <= 12x)\n",
        large.fetch.wallMs / small.fetch.wallMs, large.fetch.cpuMs / small.fetch.cpuMs,
        large.parse.wallMs / small.parse.wallMs, large.parse.cpuMs / small.parse.cpuMs);
    return 0;
}

// Throughput of the scanning primitives on 64 MiB of ASCII text and of mixed ASCII/GBK text,
// against glibc memmem on the same data in the same run.
//
// Prints MB/s for each operation and its ratio to memmem looking for the same needle (for
// replaceSubtext and splitText: to memmem scanning the whole text for an absent needle).
#include <string.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "text/primitives.h"

namespace {

constexpr std::size_t kTextBytes = std::size_t{64} << 20;
constexpr int kRepetitions = 5;
const Text kPresentNeedle = "needle-Qz7-present";
const Text kAbsentNeedle = "needle-Qz7-absent";

// Lines of 20 to 100 characters ending in CR LF. With gbkShare > 0 that share of the characters
// are two-byte GBK characters, a quarter of them with an ASCII-valued trail byte.
Text makeText(double gbkShare, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> lineLength(20, 100);
    std::uniform_int_distribution<int> ascii(0x20, 0x7E);
    std::uniform_int_distribution<int> lead(0xB0, 0xF7);
    std::uniform_int_distribution<int> highTrail(0xA1, 0xFE);
    std::uniform_int_distribution<int> lowTrail(0x40, 0x7E);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    Text text;
    text.reserve(kTextBytes + 256);
    while (text.size() < kTextBytes) {
        for (int i = lineLength(random); i > 0; --i) {
            if (chance(random) < gbkShare) {
                text.push_back(static_cast<char>(lead(random)));
                const bool low = chance(random) < 0.25;
                text.push_back(static_cast<char>(low ? lowTrail(random) : highTrail(random)));
            } else {
                text.push_back(static_cast<char>(ascii(random)));
            }
        }
        text += "\r\n";
    }
    text.resize(kTextBytes);
    // The needle near the end, at a character start (after the last line break).
    const std::size_t lineStart = text.rfind("\r\n", kTextBytes - 200) + 2;
    text.replace(lineStart, kPresentNeedle.size(), kPresentNeedle);
    return text;
}

// Best of several runs, in MB/s over the text's size.
double bestMegabytesPerSecond(std::size_t bytes, const std::function<void()>& run) {
    double best = 0.0;
    for (int i = 0; i < kRepetitions; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - begin;
        best = std::max(best, static_cast<double>(bytes) / 1e6 / seconds.count());
    }
    return best;
}

volatile std::int64_t sink = 0;  // keeps results alive so that nothing is optimised away

double memmemSpeed(const Text& text, const Text& needle) {
    return bestMegabytesPerSecond(text.size(), [&] {
        const void* hit = memmem(text.data(), text.size(), needle.data(), needle.size());
        sink = sink + (hit == nullptr ? -1 : static_cast<const char*>(hit) - text.data());
    });
}

void report(const char* what, double speed, double baseline) {
    std::printf("  %-44s %9.0f MB/s   %5.2fx memmem\n", what, speed, speed / baseline);
}

void benchText(const char* title, const Text& text) {
    std::printf("%s (%zu MiB)\n", title, text.size() >> 20);
    const double memmemPresent = memmemSpeed(text, kPresentNeedle);
    const double memmemAbsent = memmemSpeed(text, kAbsentNeedle);
    std::printf("  %-44s %9.0f MB/s\n", "memmem, needle near the end", memmemPresent);
    std::printf("  %-44s %9.0f MB/s\n", "memmem, needle absent", memmemAbsent);

    report(
        "findText, needle near the end",
        bestMegabytesPerSecond(text.size(), [&] { sink = sink + findText(text, kPresentNeedle); }),
        memmemPresent);
    report(
        "findText, needle absent",
        bestMegabytesPerSecond(text.size(), [&] { sink = sink + findText(text, kAbsentNeedle); }),
        memmemAbsent);
    report("findText ignoring case, needle near the end",
           bestMegabytesPerSecond(text.size(),
                                  [&] { sink = sink + findText(text, kPresentNeedle, 1, true); }),
           memmemPresent);
    report("replaceSubtext CR LF -> LF",
           bestMegabytesPerSecond(text.size(),
                                  [&] {
                                      sink = sink + textLength(replaceSubtext(text, "\r\n", "\n",
                                                                              std::nullopt, true));
                                  }),
           memmemAbsent);
    report("splitText on CR LF",
           bestMegabytesPerSecond(
               text.size(),
               [&] { sink = sink + static_cast<std::int64_t>(splitText(text, "\r\n").size()); }),
           memmemAbsent);
}

}  // namespace

int main() {
    benchText("ASCII text", makeText(0.0, 1));
    benchText("Mixed ASCII/GBK text (half the characters two-byte)", makeText(0.5, 2));
    return 0;
}

// Fuzzes the scanning helpers and checks what every result must satisfy: a cut value stands in
// the text between its markers, the end position of a walk points at the end marker, a prefix is
// a prefix, and the line found holds the needle while no earlier line does.
//
// Input: 8 bytes giving a 64-bit start position, one flag byte, then text, start marker and end
// marker separated by zero bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "text/primitives.h"
#include "text/scanning.h"

namespace {

using fuzz_support::check;
using fuzz_support::startsWith;

void checkBetween(const Text& text, const Text& startMarker, const Text& endMarker, Pos start,
                  bool flag) {
    const Text between = textBetween(text, startMarker, endMarker, start, flag);
    check(between.size() <= text.size());
    check(text.find(between) != Text::npos);
    if (endMarker.empty()) {
        check(between.empty());
    }

    const Pos untouched = -77;
    Pos end = untouched;
    const Text value = textBetweenAt(text, startMarker, endMarker, start, end, flag);
    if (end == untouched) {
        check(value.empty());
        return;
    }
    check(end >= 1 && end <= textLength(text) + 1);
    if (endMarker.empty()) {
        check(end == textLength(text) + 1);
    } else {
        check(findText(text, endMarker, end, flag) == end);
    }
    // The value is the bytes just before the end marker.
    check(textLength(value) < end);
    check(midText(text, end - textLength(value), textLength(value)) == value);
}

void checkBeforeAndColon(const Text& text, const Text& marker, Pos start, bool flag) {
    const Text before = textBefore(text, marker, start, flag);
    check(startsWith(text, before));
    check(before.size() < text.size() || text.empty());

    const Text value = valueAfterColon(text);
    check(trimSpaces(value) == value);
    check(value.size() < text.size() || text.empty());
}

void checkLines(const Text& text, const Text& needle, Pos pick, bool caseSensitive) {
    const int found = findLineContaining(text, needle, caseSensitive);
    const TextArray lines = splitText(text, "\r\n");
    check(found >= 0 && static_cast<std::size_t>(found) <= lines.size());
    const int last = found == 0 ? static_cast<int>(lines.size()) : found - 1;
    for (int i = 1; i <= last; ++i) {
        check(findText(lineAt(text, i), needle, 1, !caseSensitive) == -1);
    }
    if (found != 0) {
        check(findText(lineAt(text, found), needle, 1, !caseSensitive) != -1);
    }
    const int n = static_cast<int>(pick % 64) - 2;
    const Text line = lineAt(text, n);
    if (n >= 1 && static_cast<std::size_t>(n) <= lines.size()) {
        check(line == lines[static_cast<std::size_t>(n) - 1]);
    } else {
        check(line.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 9;
    if (size < kHeader) {
        return 0;
    }
    const Pos start = fuzz_support::readInt64(data);
    const bool flag = (data[8] & 1) != 0;
    const std::vector<Text> fields = fuzz_support::zeroSeparatedFields(
        std::string_view(reinterpret_cast<const char*>(data + kHeader), size - kHeader), 3);

    checkBetween(fields[0], fields[1], fields[2], start, flag);
    checkBeforeAndColon(fields[0], fields[1], start, flag);
    checkLines(fields[0], fields[1], start < 0 ? -(start / 2) : start, flag);
    return 0;
}

// Small helpers shared by the libFuzzer targets: failing a check, walking GBK characters,
// comparing text ends, and cutting the fuzzer's input into integers and zero-separated fields.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "text/types.h"

namespace fuzz_support {

// Stops the run at once so that libFuzzer reports the input that broke the property.
inline void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// Whether the byte starts a two-byte GBK character.
inline bool isLead(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

inline bool startsWith(const Text& text, const Text& head) {
    return text.size() >= head.size() && text.compare(0, head.size(), head) == 0;
}

inline bool endsWith(const Text& text, const Text& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

inline std::string_view upToZero(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

// The 64-bit integer stored in the eight bytes at `data`, in the machine's byte order; memcpy
// because the fuzzer's buffer need not be aligned.
inline std::int64_t readInt64(const std::uint8_t* data) {
    std::int64_t value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

// The first `count` fields of the input, each ending at the next zero byte (a Text holds no
// zero); fields the input runs out before are empty.
inline std::vector<Text> zeroSeparatedFields(std::string_view bytes, std::size_t count) {
    std::vector<Text> fields;
    fields.reserve(count);
    while (fields.size() < count) {
        const std::string_view field = upToZero(bytes);
        fields.emplace_back(field);
        bytes.remove_prefix(std::min(bytes.size(), field.size() + 1));
    }
    return fields;
}

}  // namespace fuzz_support

// GBK literals written in UTF-8 source: "下载完成"_gbk is the GBK text of the literal.
//
// The source files are UTF-8, but every text the program shows, compares or sends is GBK. A
// literal with the _gbk suffix is converted once, on first use (thread-safe static
// initialisation), and then handed out as a const reference to the same Text for the rest of
// the run. ASCII-only literals can stay plain: their GBK and UTF-8 bytes are the same.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "text/types.h"

namespace gbk_detail {

Text fromUtf8(std::string_view utf8);

template <std::size_t N>
struct Utf8Literal {
    char bytes[N]{};
    constexpr Utf8Literal(const char (&literal)[N]) { std::copy_n(literal, N, bytes); }
    constexpr std::string_view view() const { return {bytes, N - 1}; }
};

}  // namespace gbk_detail

template <gbk_detail::Utf8Literal L>
const Text& operator""_gbk() {
    static const Text converted = gbk_detail::fromUtf8(L.view());
    return converted;
}

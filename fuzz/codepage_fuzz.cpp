// Feeds arbitrary bytes to every code-page conversion and checks what must hold for any input:
// no crash, no zero byte inside a text result, toSimplifiedChinese keeps the byte length, ASCII
// passes utf8ToGbk unchanged, and well-formed GBK survives decoding and encoding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "text/codepage.h"

namespace {

namespace cp = platform::codepage;
using fuzz_support::check;
using fuzz_support::upToZero;

bool hasNoZeroByte(const Text& text) {
    return text.find('\0') == Text::npos;
}

bool isAscii(std::string_view text) {
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            return false;
    }
    return true;
}

// Turns arbitrary bytes into well-formed GBK: ASCII stays, every other byte becomes the lead of
// a two-byte character whose trail is taken from the next byte, both moved into GBK's ranges.
Text wellFormedGbk(std::string_view bytes) {
    Text gbk;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0)
            continue;
        if (byte < 0x80) {
            gbk.push_back(static_cast<char>(byte));
            continue;
        }
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[++i]) : 0;
        int trail = 0x40 + next % 0xBE;  // 0x40..0xFD
        if (trail >= 0x7F)
            ++trail;  // skip 0x7F: 0x40..0x7E, 0x80..0xFE
        gbk.push_back(static_cast<char>(0x81 + byte % 0x7E));
        gbk.push_back(static_cast<char>(trail));
    }
    return gbk;
}

void checkTextConversions(const Text& input) {
    const std::string_view read = upToZero(input);
    for (const Text& result : {utf8ToGbk(input), big5ToGbk(input), big5ToSimplifiedGbk(input),
                               gbkToUtf8(input), toSimplifiedChinese(input)}) {
        check(hasNoZeroByte(result));
    }
    check(toSimplifiedChinese(input).size() == read.size());
    if (isAscii(read))
        check(utf8ToGbk(input) == read);

    for (const int codePage : {CP_ACP, CP_UTF8, kCodePageGbk, kCodePageBig5}) {
        const Bytes wide = textToWide(input, codePage);
        check(wide.size() % 2 == 0 && wide.size() >= 2);
        check(wide.compare(wide.size() - 2, 2, std::string(2, '\0')) == 0);
        check(hasNoZeroByte(wideToText(wide, codePage)));
        // The input itself read as UTF-16 may hold anything, unpaired surrogates included.
        check(hasNoZeroByte(wideToText(input, codePage)));
    }
}

void checkGbkRoundTrip(std::string_view bytes) {
    const Text gbk = wellFormedGbk(bytes);
    const std::u16string units = cp::decode(gbk, kCodePageGbk);
    check(cp::encode(units, kCodePageGbk, cp::Unmappable::Drop) == gbk);
    check(utf8ToGbk(gbkToUtf8(gbk)) == gbk);
    check(toSimplifiedChinese(gbk).size() == gbk.size());
}

void checkPlatform(std::string_view bytes) {
    for (const int codePage : {0, 936, 950, 65001}) {
        const std::u16string units = cp::decode(bytes, codePage);
        // Every input byte yields at most one unit, or two for a four-byte UTF-8 sequence.
        check(units.size() <= bytes.size());
        cp::encode(units, codePage, cp::Unmappable::DefaultChar);
        cp::encode(units, codePage, cp::Unmappable::Drop);
    }
    std::u16string raw(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    cp::toSimplified(raw);
    for (const int codePage : {936, 950, 65001}) {
        // Dropping never gives more than replacing does.
        check(cp::encode(raw, codePage, cp::Unmappable::Drop).size() <=
              cp::encode(raw, codePage, cp::Unmappable::DefaultChar).size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkTextConversions(Text(bytes));
    checkGbkRoundTrip(bytes);
    checkPlatform(bytes);
    return 0;
}

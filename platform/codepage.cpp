#include "platform/codepage.h"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <array>
#include <cstddef>
#include <memory>

namespace platform::codepage {
namespace {

constexpr int kUtf8 = 65001;
constexpr int kGbk = 936;
constexpr int kBig5 = 950;
constexpr int kAnsi = 0;  // the ANSI code page, which is GBK on the systems the program targets

struct ConverterDeleter {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterDeleter>;

// The "-2000" tables are the code pages as Windows defines them (GBK with the euro sign at 0x80
// and the user-defined areas in the private use area; Big5 with Microsoft's extensions).
const char* converterName(int codePage) {
    switch (codePage) {
        case kUtf8:
            return "UTF-8";
        case kGbk:
        case kAnsi:
            return "windows-936-2000";
        case kBig5:
            return "windows-950-2000";
        default:
            return nullptr;
    }
}

// An unknown code page or a converter ICU cannot open yields no converter: the callers then
// return the empty result, as the system converter does for a code page it does not know.
Converter openConverter(int codePage) {
    const char* name = converterName(codePage);
    if (name == nullptr)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status))
        return nullptr;
    return converter;
}

// Converting in fixed-size rounds keeps every length within ICU's 32-bit limits, whatever the
// size of the input.
constexpr std::size_t kRoundUnits = 4096;

// Writes the code page's substitution character for every character it cannot encode. ICU's
// own substituting callback silently skips the invisible "default ignorable" characters (a byte
// order mark, a zero-width space, ...), which would make them vanish instead of showing up as
// the default character like every other character the code page lacks.
void substituteEveryCharacter(const void* /*context*/, UConverterFromUnicodeArgs* args,
                              const UChar* /*codeUnits*/, int32_t /*length*/, UChar32 /*codePoint*/,
                              UConverterCallbackReason reason, UErrorCode* status) {
    if (reason > UCNV_IRREGULAR)
        return;  // reset, close and clone need no action
    *status = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(args, 0, status);
}

}  // namespace

std::u16string decode(std::string_view bytes, int codePage) {
    std::u16string out;
    Converter converter = openConverter(codePage);
    if (!converter)
        return out;
    const char* source = bytes.data();
    const char* const sourceEnd = source + bytes.size();
    std::array<char16_t, kRoundUnits> round;
    UErrorCode status = U_ZERO_ERROR;
    do {
        status = U_ZERO_ERROR;
        char16_t* target = round.data();
        // flush = true: a truncated sequence at the end is substituted like any invalid one.
        ucnv_toUnicode(converter.get(), &target, round.data() + round.size(), &source, sourceEnd,
                       nullptr, true, &status);
        out.append(round.data(), target);
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    if (U_FAILURE(status))
        out.clear();
    return out;
}

std::string encode(std::u16string_view text, int codePage, Unmappable mode) {
    std::string out;
    Converter converter = openConverter(codePage);
    if (!converter)
        return out;
    UErrorCode status = U_ZERO_ERROR;
    // Substituting writes the code page's substitution character ('?' for GBK and Big5, U+FFFD
    // for UTF-8); skipping with no context drops unassigned characters and unpaired surrogates
    // alike.
    const UConverterFromUCallback callback =
        mode == Unmappable::Drop ? UCNV_FROM_U_CALLBACK_SKIP : substituteEveryCharacter;
    ucnv_setFromUCallBack(converter.get(), callback, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return out;
    const char16_t* source = text.data();
    const char16_t* const sourceEnd = source + text.size();
    std::array<char, kRoundUnits> round;
    do {
        status = U_ZERO_ERROR;
        char* target = round.data();
        ucnv_fromUnicode(converter.get(), &target, round.data() + round.size(), &source, sourceEnd,
                         nullptr, true, &status);
        out.append(round.data(), target);
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    if (U_FAILURE(status))
        out.clear();
    return out;
}

namespace {

// Transliterates at most this many units at a time, so that a UnicodeString's 32-bit length
// can hold every piece. The mapping works character by character, so a cut between two
// characters changes nothing.
constexpr std::size_t kTransliterateUnits = std::size_t{1} << 20;

std::size_t pieceEnd(std::u16string_view text, std::size_t start) {
    if (text.size() - start <= kTransliterateUnits)
        return text.size();
    std::size_t end = start + kTransliterateUnits;
    if (U16_IS_TRAIL(text[end]) && U16_IS_LEAD(text[end - 1]))
        --end;  // keep a pair whole
    return end;
}

}  // namespace

std::u16string toSimplified(std::u16string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> transliterator(
        icu::Transliterator::createInstance("Traditional-Simplified", UTRANS_FORWARD, status));
    // Without the mapping every character stays as it was.
    if (U_FAILURE(status) || !transliterator)
        return std::u16string(text);
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = pieceEnd(text, start);
        icu::UnicodeString piece(text.data() + start, static_cast<int32_t>(end - start));
        transliterator->transliterate(piece);
        out.append(piece.getBuffer(), static_cast<std::size_t>(piece.length()));
        start = end;
    }
    return out;
}

}  // namespace platform::codepage

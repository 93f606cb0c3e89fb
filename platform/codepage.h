// Conversion between the Windows code pages the program deals in (65001 UTF-8, 936 GBK,
// 950 Big5) and UTF-16, plus Traditional -> Simplified Chinese; the only unit that talks to ICU.
#pragma once

#include <string>
#include <string_view>

namespace platform::codepage {

// Decodes bytes of a Windows code page (65001 UTF-8, 936 GBK, 950 Big5; 0 means 936)
// into UTF-16. Undecodable bytes follow the converter's substitution rules; never throws.
std::u16string decode(std::string_view bytes, int codePage);

enum class Unmappable { DefaultChar, Drop };

// Encodes UTF-16 into the code page. Characters the code page lacks become its default
// character ('?' for 936/950) or are dropped. Unpaired surrogates likewise.
std::string encode(std::u16string_view text, int codePage, Unmappable mode);

// Traditional -> Simplified Chinese (ICU transliterator "Traditional-Simplified").
std::u16string toSimplified(std::u16string_view text);

}  // namespace platform::codepage

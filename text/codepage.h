// Code-page conversion: UTF-8 and Big5 text into the program's GBK text, traditional
// characters into simplified ones, and GBK out to UTF-8 at the program's edges.
// Code pages by their Windows numbers: 65001 UTF-8, 950 Big5, 936 GBK, 0 the ANSI code page
// (GBK here). None of the functions fails: undecodable bytes follow the converters' rules.
#pragma once

#include "text/types.h"

inline constexpr int CP_ACP = 0;
inline constexpr int CP_UTF8 = 65001;
inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageBig5 = 950;

Text utf8ToGbk(const Text& text);
Text big5ToSimplifiedGbk(const Text& text);

// UTF-16LE units as Bytes, including one terminating zero unit.
Bytes textToWide(const Text& text, int codePage = CP_UTF8);
Text wideToText(const Bytes& wide, int codePage = CP_ACP);
Text big5ToGbk(const Text& text);
// Keeps the byte length: a character whose simplified form is not one two-byte GBK character
// stays as it was.
Text toSimplifiedChinese(const Text& text);

// For the edges of the program (file names, widgets): GBK text as UTF-8 and back.
std::string gbkToUtf8(const Text& text);

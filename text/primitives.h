// Primitive operations on Text and Bytes that every parser of the program is written against.
//
// All functions are total: no input makes them throw, crash or read out of bounds. Positions
// are 1-based byte positions; a search that finds nothing yields -1.
// Scanning primitives (findText, findTextReverse, replaceSubtext, splitText, toLowerText,
// trimSpaces, removeAllSpaces) walk character by character: a byte >= 0x80 and the byte after
// it form one character, so a match never starts on a trail byte. Cutting primitives
// (textLength, leftText, rightText, midText, replaceRange) count plain bytes.
#pragma once

#include <cstdint>
#include <optional>

#include "text/types.h"

// --- cutting ---
Pos textLength(const Text& text);
Text leftText(const Text& text, Pos n);
Text rightText(const Text& text, Pos n);
// "" when start < 1 (not moved up to 1), start past the end, or n <= 0.
Text midText(const Text& text, Pos start, Pos n);
// Removes `length` bytes from `start` (a start below 1 counts as 1).
Text replaceRange(const Text& text, Pos start, Pos length);

// --- searching (ignoreCase folds ASCII letters only; the default is an exact search) ---
Pos findText(const Text& text, const Text& needle, Pos start = 1, bool ignoreCase = false);
Pos findTextReverse(const Text& text, const Text& needle, bool ignoreCase = false);

// Replaces matches of `subtext` by `replacement`; `count` limits the number of replacements
// (std::nullopt or a negative count: every occurrence; 0: nothing). Note the flag's sense:
// caseSensitive, unlike findText's ignoreCase.
Text replaceSubtext(const Text& text, const Text& subtext, const Text& replacement,
                    std::optional<int> count, bool caseSensitive);

// Leading and consecutive delimiters give empty pieces; a trailing delimiter gives none.
TextArray splitText(const Text& text, const Text& delimiter);

// --- spaces and case (spaces: ASCII 0x20 and the full-width space 0xA1 0xA1) ---
Text trimSpaces(const Text& text);
Text removeAllSpaces(const Text& text);
Text toLowerText(const Text& text);
int compareText(const Text& a, const Text& b, bool caseSensitive);

// --- numbers (full-width ASCII forms are read as ASCII; then atoi/atof rules) ---
// A number outside the 32-bit range is clamped to the range's nearest end.
std::int32_t textToInt(const Text& text);
double textToNumber(const Text& text);
Text intToText(std::int64_t n);
Text boolToText(bool value);  // "真" or "假"
Text charFromCode(int code);  // code 0 (or outside 0..255) gives ""
Text blankText(Pos n);        // n spaces (at most 1 GiB of them)

// --- bytes ---
Bytes textToBytes(const Text& text);
Text bytesToText(const Bytes& bytes);  // up to the first zero byte
Pos bytesLength(const Bytes& bytes);
Bytes leftBytes(const Bytes& bytes, Pos n);
Bytes blankBytes(Pos n);  // n zero bytes (at most 1 GiB of them)

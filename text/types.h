// The program's value types: GBK byte text, raw byte strings and arrays of either.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Text: bytes in the ANSI code page (GBK, code page 936) with no zero byte inside. A byte of
// 0x80 or above starts a two-byte character. Positions and lengths count bytes and start at 1.
using Text = std::string;

// Bytes: a length-counted byte string that may hold zero bytes (HTTP bodies, photo data).
using Bytes = std::string;

// Arrays are std::vector (0-based in code); the routines that describe members by number count
// them from 1, so member n is element n - 1.
using TextArray = std::vector<Text>;
using BytesArray = std::vector<Bytes>;

// A 1-based byte position or a byte count inside a Text; -1 means "not found".
using Pos = std::int64_t;

// Cutting replies between markers and picking lines; built only from the primitives.
//
// A line is an element of splitText(text, "\r\n"). Missing markers or lines yield "" (or 0 for
// a line number). Mind the case flags: textBetween and findLineContaining take caseSensitive
// (default: ignore ASCII case); textBetweenAt and textBefore take ignoreCase (default: exact).
#pragma once

#include "text/types.h"

// In both markers "#引号" stands for a double quote.
Text textBetween(const Text& text, const Text& startMarker, const Text& endMarker, Pos start = 1,
                 bool caseSensitive = false);
Text valueAfterColon(const Text& text);
// Writes the position of the end marker into endPosition; leaves it untouched when a marker is
// missing. Callers walk a reply by passing the same variable as start and endPosition.
Text textBetweenAt(const Text& text, const Text& startMarker, const Text& endMarker, Pos start,
                   Pos& endPosition, bool ignoreCase = false);
Text textBefore(const Text& text, const Text& marker, Pos start = 1, bool ignoreCase = false);
int findLineContaining(const Text& text, const Text& needle, bool caseSensitive = false);
Text lineAt(const Text& text, int n);

#pragma once
// The byte-string operations the estimator's text search is written in.
// Positions count bytes from 1; a search that finds nothing gives -1.

#include <cstdint>
#include <string>

namespace kestrivo {

// First occurrence of `pattern` at or after `start`. Without case, ASCII letters
// match either case. A byte of 0x80 or more is taken with the byte after it, so
// no match begins on that second byte.
int32_t FindText(const std::string& text, const std::string& pattern, int32_t start, bool ignoreCase);
std::string MidText(const std::string& text, int32_t position, int32_t count);
std::string LeftText(const std::string& text, int32_t n);
std::string RightText(const std::string& text, int32_t n);

// The part of `text` after the first `startMarker`, up to the first `endMarker`
// after it; both searched without case.
std::string TextBetween(const std::string& text, const std::string& startMarker, const std::string& endMarker);

// `text` read as hexadecimal; every byte holds a place, non-digits count as 0;
// wraps to signed 32 bits.
int32_t HexToInt(const std::string& text);

}  // namespace kestrivo

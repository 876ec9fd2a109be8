#include "argcount/text_ops.h"

namespace kestrivo {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool BytesMatch(char a, char b, bool ignoreCase) {
  return ignoreCase ? LowerAscii(a) == LowerAscii(b) : a == b;
}

int32_t Size(const std::string& text) { return static_cast<int32_t>(text.size()); }

}  // namespace

int32_t FindText(const std::string& text, const std::string& pattern, int32_t start, bool ignoreCase) {
  if (start < 1) start = 1;
  const int64_t length = Size(text);
  if (pattern.empty()) return start <= length ? 1 : -1;
  const int64_t last = length - Size(pattern);  // last 0-based index a match can begin at
  // Walk the text as characters from its first byte: a byte of 0x80 or more
  // leads a two-byte character, and no match begins on the byte it takes along.
  for (int64_t at = 0; at <= last; ++at) {
    const bool leadByte = static_cast<unsigned char>(text[at]) >= 0x80;
    if (at + 1 >= start) {
      bool match = true;
      for (size_t k = 0; k < pattern.size() && match; ++k) {
        match = BytesMatch(text[at + k], pattern[k], ignoreCase);
      }
      if (match) return static_cast<int32_t>(at + 1);
    }
    if (leadByte) ++at;
  }
  return -1;
}

std::string MidText(const std::string& text, int32_t position, int32_t count) {
  if (position < 1 || position > Size(text) || count <= 0) return {};
  return text.substr(static_cast<size_t>(position - 1), static_cast<size_t>(count));
}

std::string LeftText(const std::string& text, int32_t n) {
  if (n <= 0) return {};
  return text.substr(0, static_cast<size_t>(n));
}

std::string RightText(const std::string& text, int32_t n) {
  if (n <= 0) return {};
  if (n >= Size(text)) return text;
  return text.substr(text.size() - static_cast<size_t>(n));
}

std::string TextBetween(const std::string& text, const std::string& startMarker, const std::string& endMarker) {
  const int32_t a = FindText(text, startMarker, 1, true);
  if (a == -1) return {};
  const std::string rest = RightText(text, Size(text) - (a + Size(startMarker)) + 1);
  const int32_t c = FindText(rest, endMarker, 1, true);
  // A missing end marker, or one right at the start of the rest, keeps it whole.
  if (c > 1) return LeftText(rest, c - 1);
  return rest;
}

int32_t HexToInt(const std::string& text) {
  // Every byte holds a place (non-digits count as 0); unsigned arithmetic
  // wraps as two's complement would.
  uint32_t result = 0;
  for (const char ch : text) {
    uint32_t digit = 0;
    if (ch >= '0' && ch <= '9') {
      digit = static_cast<uint32_t>(ch - '0');
    } else {
      const int32_t letter = FindText("ABCDEF", std::string(1, ch), 1, true);
      if (letter != -1) digit = static_cast<uint32_t>(letter + 9);
    }
    result = result * 16u + digit;
  }
  return static_cast<int32_t>(result);
}

}  // namespace kestrivo

// The text operations of the estimator and the path helpers over arbitrary bytes.
// Input: 1 byte selects the start position of FindText and a flag, then the
// text and a pattern separated by the first zero byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/file_name.h"
#include "argcount/text_ops.h"
#include "fuzz_support.h"

using namespace kestrivo;

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return tail.size() <= text.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool SameIgnoringCase(const std::string& a, size_t at, const std::string& b) {
  for (size_t k = 0; k < b.size(); ++k) {
    char x = a[at + k], y = b[k];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t start = static_cast<int8_t>(data[0]);  // also 0 and negative
  const bool ignoreCase = (data[0] & 1) != 0;
  const std::string all(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t zero = all.find('\0');
  const std::string text = all.substr(0, zero);
  const std::string pattern = zero == std::string::npos ? std::string() : all.substr(zero + 1);

  const int32_t p = FindText(text, pattern, start, ignoreCase);
  if (p != -1) {
    if (p < 1 || static_cast<size_t>(p - 1) + pattern.size() > text.size()) fuzz::Fail("FindText position");
    if (!pattern.empty() && p < start) fuzz::Fail("FindText before start");
    if (ignoreCase ? !SameIgnoringCase(text, p - 1, pattern) : text.compare(p - 1, pattern.size(), pattern) != 0)
      fuzz::Fail("FindText without a match");
  }

  const std::string between = TextBetween(text, pattern, "h");
  if (between.size() > text.size() || (!between.empty() && text.find(between) == std::string::npos))
    fuzz::Fail("TextBetween gives no part of the text");
  (void)TextBetween(text, "retn ", pattern);
  (void)HexToInt(text);
  (void)MidText(text, start, static_cast<int32_t>(pattern.size()) - 3);
  (void)LeftText(text, start);
  (void)RightText(text, start);

  // Short runs of hexadecimal digits read as the C library reads them.
  if (!text.empty() && text.size() <= 8 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos &&
      static_cast<uint32_t>(HexToInt(text)) != std::stoul(text, nullptr, 16))
    fuzz::Fail("HexToInt", text);

  const std::string name = FileNameOf(text, true);
  const std::string bare = FileNameOf(text, false);
  const std::string extension = ExtensionOf(text);
  if (!EndsWith(text, name) || !EndsWith(text, extension)) fuzz::Fail("path parts are not tails of the path");
  if (!extension.empty() && extension[0] != '.') fuzz::Fail("extension without its dot");
  if (bare + ExtensionOf(name) != name) fuzz::Fail("name without extension + extension != name");
  return 0;
}

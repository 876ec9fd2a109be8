// The whole listing of a file given as bytes: headers, export walk, argument
// estimates over the file's loader-style image, and forwarders that lead to an
// in-memory folder holding a.dll and b.dll (and the listed file itself).
// Checks every row as it arrives, and that the estimates leave the other
// columns alone.

#include <cstddef>
#include <cstdint>

#include <cctype>
#include "fuzz_support.h"

using namespace kestrivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::SplitListingInput(data, size);
  const std::span<const uint8_t> listed = parts[0];

  ListingOptions options;
  options.findModule = [&parts](const std::string& fileName) -> std::shared_ptr<const FileMap> {
    std::string lower = fileName;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "listed.dll") return FileMap::Borrow(parts[0]);
    if (lower == "a.dll" && parts.size() > 1) return FileMap::Borrow(parts[1]);
    if (lower == "b.dll" && parts.size() > 2) return FileMap::Borrow(parts[2]);
    return nullptr;
  };

  const std::string path = "C:\\fuzz\\listed.dll";
  ImageState state;
  fuzz::CheckingView withArgs;
  ImageFile file = ImageFile::FromMap(FileMap::Borrow(listed));
  ListExports(file, path, withArgs, state, options);
  if (withArgs.clears != 1 || withArgs.errors != 0) fuzz::Fail("open file shown as unreadable");
  if (withArgs.rows.size() > listed.size() / 4) fuzz::Fail("more rows than the file has dwords");
  if (withArgs.statusWrites > 1) fuzz::Fail("status written twice");

  // The walk without estimates, on a state left over from the last file (as in
  // the program, where nothing is cleared between files): same rows, same texts.
  options.estimateArgs = false;
  fuzz::CheckingView withoutArgs;
  ImageFile again = ImageFile::FromMap(FileMap::Borrow(listed));
  ListExports(again, path, withoutArgs, state, options);
  if (withoutArgs.rows.size() != withArgs.rows.size()) fuzz::Fail("row count depends on the estimates");
  for (size_t i = 0; i < withArgs.rows.size(); ++i) {
    const ExportRow& a = withArgs.rows[i];
    const ExportRow& b = withoutArgs.rows[i];
    if (a.ordinal != b.ordinal || a.name != b.name || a.rva != b.rva || a.offset != b.offset || !b.args.empty())
      fuzz::Fail("columns depend on the estimates", std::to_string(i));
  }
  return 0;
}

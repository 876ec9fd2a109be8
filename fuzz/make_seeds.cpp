// Writes the seed corpora of the fuzz targets into a folder, so that no binary
// seed needs to live in the repository:
//
//   make_seeds OUT_DIR [REAL_DLL...]
//
// OUT_DIR/listing: fixture DLLs (returns of every kind, code without a return,
// forwarders to a.dll and b.dll, to a missing DLL, to the file itself, a cycle)
// and cut-down copies of real DLLs: a few of their exports with the first bytes
// of each function's real code.
// OUT_DIR/disassembly: the real functions' code behind the target's 4-byte header.
// OUT_DIR/text: return lines and Windows paths.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "pe_fixture.h"

using namespace kestrivo;
using kestrivo::test::BuildDll;
using kestrivo::test::FixtureDll;
using kestrivo::test::SimpleDll;

namespace {

using Bytes = std::vector<uint8_t>;

void Write(const std::filesystem::path& file, const Bytes& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Joined(const std::vector<Bytes>& files) {
  Bytes out;
  for (size_t k = 0; k < files.size(); ++k) {
    if (k > 0) out.insert(out.end(), fuzz::kDllSeparator.begin(), fuzz::kDllSeparator.end());
    out.insert(out.end(), files[k].begin(), files[k].end());
  }
  return out;
}

FixtureDll Forwarding(const std::vector<std::pair<std::string, std::string>>& exports) {
  FixtureDll dll;
  for (size_t k = 0; k < exports.size(); ++k) {
    test::FixtureFunction f;
    if (exports[k].second.empty()) f.code = {0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x0C, 0x00, 0x90};
    else f.forwarder = exports[k].second;
    dll.functions.push_back(f);
    dll.names.push_back({exports[k].first, static_cast<uint16_t>(k)});
  }
  return dll;
}

struct RealExport {
  std::string name;
  Bytes code;
};

// A few exports of a real DLL, spread over its name table, with 256 bytes of
// each function's code taken from its file offset.
std::vector<RealExport> SampleExports(const std::string& path, size_t wanted) {
  std::ifstream in(path, std::ios::binary);
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fuzz::CheckingView view;
  ImageState state;
  ImageFile image = ImageFile::FromMap(FileMap::Borrow(file));
  ListingOptions options;
  options.estimateArgs = false;
  ListExports(image, path, view, state, options);
  std::vector<RealExport> sample;
  if (view.rows.empty()) return sample;
  const size_t step = std::max<size_t>(1, view.rows.size() / wanted);
  for (size_t i = 0; i < view.rows.size() && sample.size() < wanted; i += step) {
    const size_t offset = std::stoul(view.rows[i].offset, nullptr, 16);
    if (offset >= file.size()) continue;
    const size_t n = std::min<size_t>(256, file.size() - offset);
    sample.push_back({view.rows[i].name, Bytes(file.begin() + offset, file.begin() + offset + n)});
  }
  return sample;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: make_seeds OUT_DIR [REAL_DLL...]\n", stderr);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  for (const char* sub : {"listing", "disassembly", "text"}) std::filesystem::create_directories(out / sub);
  int n = 0;
  auto listing = [&](const Bytes& b) { Write(out / "listing" / ("seed-" + std::to_string(n++)), b); };

  // Returns of every kind, no return at all, a value on the window's last line.
  const Bytes ret8 = {0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x08, 0x00, 0x90};
  listing(SimpleDll({{"Ret8", ret8},
                     {"Ret", {0xC3, 0x90}},
                     {"Far", {0xCA, 0x08, 0x00, 0x90}},
                     {"Iret", {0xCF, 0x90}},
                     {"RepRet", {0xF3, 0xC3, 0x90}},
                     {"Locked", {0xF0, 0x01, 0x02, 0xC2, 0x04, 0x00, 0x90}}}).bytes);
  Bytes slide(300, 0x90);
  slide.insert(slide.end(), {0xC2, 0x10, 0x00, 0x90});
  listing(SimpleDll({{"Slide", slide}, {"Nothing", Bytes(120, 0x40)}}).bytes);
  Bytes lastLine(97, 0x90);
  lastLine.insert(lastLine.end(), {0xC2, 0x08, 0x00, 0x90});
  listing(SimpleDll({{"LastLine", lastLine}, {"Undecodable", {0x0F, 0x05, 0xC2, 0x08, 0x00}}}).bytes);

  // Forwarders: to a.dll by name and by ordinal, to b.dll, to a missing DLL, to
  // the listed file itself, and a cycle a.dll -> b.dll -> a.dll.
  const Bytes listed = BuildDll(Forwarding({{"Own", ""},
                                            {"ToA", "a.Func"},
                                            {"ToAByOrdinal", "a.#1"},
                                            {"ToB", "B.Func"},
                                            {"Missing", "nowhere.Func"},
                                            {"Self", "listed.Own"},
                                            {"SelfLoop", "listed.SelfLoop"},
                                            {"Cycle", "a.Loop"}}))
                           .bytes;
  const Bytes a = BuildDll(Forwarding({{"Func", ""}, {"Loop", "b.Loop"}, {"Chain", "b.Func"}})).bytes;
  const Bytes b = BuildDll(Forwarding({{"Func", ""}, {"Loop", "a.Loop"}})).bytes;
  listing(Joined({listed, a, b}));
  listing(Joined({listed, a}));

  // Cut-down real DLLs.
  int d = 0, t = 0;
  for (int k = 2; k < argc; ++k) {
    std::vector<std::pair<std::string, Bytes>> exports;
    for (const RealExport& e : SampleExports(argv[k], 12)) {
      exports.push_back({e.name, e.code});
      Bytes code = {0x64, 0x19, 0x00, 0x10};  // size bound 6500, start 0, range 1024
      code.insert(code.end(), e.code.begin(), e.code.end());
      Write(out / "disassembly" / ("seed-" + std::to_string(d++)), code);
    }
    if (!exports.empty()) listing(SimpleDll(exports).bytes);
  }
  const Bytes synthetic[] = {{0x64, 0x00, 0x00, 0x02, 0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x08, 0x00, 0x90},
                             {0xC8, 0x00, 0x00, 0x04, 0x0F, 0x05, 0xC3},
                             {0xE8, 0x03, 0x00, 0x01, 0xF0, 0xF0, 0x66, 0xC2, 0x00, 0x01, 0x90, 0xC3}};
  for (const Bytes& s : synthetic) Write(out / "disassembly" / ("seed-" + std::to_string(d++)), s);

  const std::string texts[] = {std::string("\x01retn 0008h\r", 12), std::string("\x02retn 0008h\0retn ", 17),
                               std::string("\x00RETN 12H\0h", 11), std::string("\x01" "C:\\Windows\\System32\\user32.dll"),
                               std::string("\x01" "C:\\Tools\\"), std::string("\x01\\\\server\\share\\a.b c.dll"),
                               std::string("\x03\xB0\xA1rEt\xC3\x80" "abc\0ret", 12), std::string("\x01" "FFFFFFFF")};
  for (const std::string& s : texts) Write(out / "text" / ("seed-" + std::to_string(t++)), Bytes(s.begin(), s.end()));
  std::printf("seeds: %d listing, %d disassembly, %d text\n", n, d, t);
  return 0;
}

// objdump as a peer: for real PE32 DLLs, every row that kestrivo-dump prints
// must agree with what `i686-w64-mingw32-objdump -p` (and `-h` for the file
// offsets) reads from the same export directory: the same names in the same
// name-table order, the same ordinal indexes, the same function RVAs.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "mingw_tools.h"

namespace kestrivo::test {
namespace {

struct PeerName {
  uint32_t index;  // into the export address table, without Base
  std::string name;
};

struct PeerSection {
  uint32_t rva, size, fileOffset;
};

// What objdump reads from one file.
struct PeerListing {
  bool pe32 = false;
  uint32_t imageBase = 0;
  uint32_t base = 0;  // the export directory's ordinal Base
  std::map<uint32_t, uint32_t> addressTable;  // index -> function RVA
  std::vector<PeerName> names;                // in name-table order
  std::vector<PeerSection> sections;
  std::vector<std::string> problems;  // lines the parser did not understand
};

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "[  12]" at the start of `text`: the number, and `text` moved past "] ".
std::optional<uint32_t> TakeBracketNumber(std::string& text) {
  if (text.empty() || text[0] != '[') return std::nullopt;
  size_t close = text.find(']');
  if (close == std::string::npos) return std::nullopt;
  unsigned long value = 0;
  if (std::sscanf(text.substr(1, close - 1).c_str(), "%lu", &value) != 1) return std::nullopt;
  text = text.substr(std::min(close + 2, text.size()));
  return static_cast<uint32_t>(value);
}

// Parses `objdump -p` (header and export tables) and `objdump -h` (sections).
PeerListing ParseObjdump(const std::string& privateHeaders, const std::string& sectionHeaders) {
  PeerListing peer;
  enum { kNone, kAddresses, kNames } table = kNone;
  for (const std::string& raw : SplitLines(privateHeaders)) {
    std::string line = Trim(raw);
    if (line.find("file format pei-i386") != std::string::npos) peer.pe32 = true;
    if (line.rfind("ImageBase", 0) == 0) peer.imageBase = std::stoul(Trim(line.substr(9)), nullptr, 16);
    if (line.rfind("Ordinal Base", 0) == 0) peer.base = std::stoul(Trim(line.substr(12)));
    if (line.rfind("Export Address Table -- Ordinal Base", 0) == 0) {
      table = kAddresses;
      continue;
    }
    if (line.rfind("[Ordinal/Name Pointer] Table", 0) == 0) {
      table = kNames;
      continue;
    }
    if (line.empty()) table = kNone;
    if (table == kNone) continue;

    // "[   0] +base[   1] 1ad0 Export RVA", "... 705a Forwarder RVA -- other.Thing"
    // "[   0] adler32": binutils 2.40 prints the unbiased index here, and the
    // biased ordinal only after "+base" (a Base of 5 in the compiled test pins this).
    std::string rest = line;
    std::optional<uint32_t> index = TakeBracketNumber(rest);
    if (index && rest.rfind("+base", 0) == 0) {
      rest = rest.substr(5);
      if (!TakeBracketNumber(rest)) index.reset();
    }
    if (!index) {
      peer.problems.push_back(line);
      continue;
    }
    if (table == kAddresses) {
      peer.addressTable[*index] = std::stoul(rest, nullptr, 16);
    } else {
      peer.names.push_back({*index, rest});
    }
  }
  // "  0 .text  00125ff0  6fe41000  6fe41000  00000600  2**2"
  for (const std::string& line : SplitLines(sectionHeaders)) {
    std::istringstream fields(line);
    unsigned idx;
    std::string name, size, vma, lma, fileOffset;
    if (fields >> idx >> name >> size >> vma >> lma >> fileOffset) {
      peer.sections.push_back({static_cast<uint32_t>(std::stoul(vma, nullptr, 16) - peer.imageBase),
                               static_cast<uint32_t>(std::stoul(size, nullptr, 16)),
                               static_cast<uint32_t>(std::stoul(fileOffset, nullptr, 16))});
    }
  }
  return peer;
}

PeerListing RunObjdump(const std::string& path) {
  std::string quoted = ShellQuote(path);
  return ParseObjdump(RunCommand(std::string(kMingwObjdump) + " -p " + quoted + " 2>/dev/null").output,
                      RunCommand(std::string(kMingwObjdump) + " -h " + quoted + " 2>/dev/null").output);
}

// The file offset of an RVA by objdump's section table; an RVA in no section maps to itself.
uint32_t PeerFileOffset(const PeerListing& peer, uint32_t rva) {
  for (const PeerSection& s : peer.sections)
    if (rva >= s.rva && rva - s.rva < s.size) return rva - s.rva + s.fileOffset;
  return rva;
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%.*X", digits, value);
  return text;
}

// Compares every row of kestrivo-dump with objdump; returns the number of rows compared.
size_t CompareWithPeer(const std::string& path) {
  SCOPED_TRACE(path);
  PeerListing peer = RunObjdump(path);
  EXPECT_TRUE(peer.pe32);
  EXPECT_EQ(peer.problems, std::vector<std::string>{});
  DumpResult dump = DumpExports(path);
  EXPECT_EQ(dump.status, 0);
  EXPECT_EQ(dump.malformed, std::vector<std::string>{});
  EXPECT_EQ(dump.rows.size(), peer.names.size());

  size_t count = std::min(dump.rows.size(), peer.names.size());
  for (size_t i = 0; i < count; ++i) {
    const DumpRow& row = dump.rows[i];
    const PeerName& name = peer.names[i];
    SCOPED_TRACE("row " + std::to_string(i + 1) + ": " + name.name);
    EXPECT_EQ(row.name, name.name);
    // The listing numbers rows by index + 1, whatever Base the directory has.
    EXPECT_EQ(row.ordinal, Hex(name.index + 1, 4)) << "Base " << peer.base;
    auto function = peer.addressTable.find(name.index);
    if (function == peer.addressTable.end()) {
      ADD_FAILURE() << "objdump lists no address for index " << name.index;
      continue;
    }
    EXPECT_EQ(row.rva, Hex(function->second, 8));
    EXPECT_EQ(row.offset, Hex(PeerFileOffset(peer, function->second), 8));
  }
  return count;
}

// The PE32 DLLs of Debian's MinGW packages, both thread models, and the
// target's own library folder.
std::vector<std::string> MingwDlls() {
  std::vector<std::string> dlls;
  for (const char* folder : {"/usr/lib/gcc/i686-w64-mingw32/12-win32", "/usr/lib/gcc/i686-w64-mingw32/12-posix",
                             "/usr/i686-w64-mingw32/lib"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
      if (entry.path().extension() == ".dll") dlls.push_back(entry.path().string());
  }
  std::sort(dlls.begin(), dlls.end());
  return dlls;
}

TEST(ObjdumpPeer, MingwRuntimeDllsAgreeOnEveryNamedExport) {
  if (!HaveTool(kMingwObjdump)) GTEST_SKIP() << kMingwObjdump << " is not installed";
  std::vector<std::string> dlls = MingwDlls();
  if (dlls.empty()) GTEST_SKIP() << "no MinGW DLLs installed";

  size_t files = 0, rows = 0;
  for (const std::string& dll : dlls) {
    if (!RunObjdump(dll).pe32) continue;  // a 64-bit DLL is not for this tool
    rows += CompareWithPeer(dll);
    ++files;
  }
  std::printf("[ compared ] %zu PE32 DLLs, %zu named exports\n", files, rows);
  EXPECT_GT(files, 0u);
  EXPECT_GT(rows, 0u);
}

TEST(ObjdumpPeer, CompiledDllWithBaseFiveNonameAndForwardersAgrees) {
  if (!HaveTool(kMingwObjdump) || !HaveTool(kMingwGcc)) GTEST_SKIP() << "MinGW tools are not installed";
  TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  const std::string dll = folder.Path("callconv.dll");
  ASSERT_EQ(CompileDll(dll, {CompiledSource("callconv.c"), CompiledSource("callconv.def")}, "-O2"), "");

  PeerListing peer = RunObjdump(dll);
  EXPECT_EQ(peer.base, 5u);
  EXPECT_EQ(peer.addressTable.size(), 15u);  // the NONAME export has an address but no name
  EXPECT_EQ(CompareWithPeer(dll), 14u);
}

}  // namespace
}  // namespace kestrivo::test

#endif  // _WIN32

#pragma once
// A tiny builder of PE32 DLLs for tests: headers, a .text section holding the
// functions' code, and an .edata section with the export directory, its three
// tables and the name strings. Tests poke fields afterwards to damage it.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace kestrivo::test {

struct FixtureFunction {
  std::vector<uint8_t> code;  // placed in .text; ignored for forwarders and absent entries
  std::string forwarder;      // "OTHER.Name": the entry points into the export directory
  bool absent = false;        // the address table entry is 0
};

struct FixtureName {
  std::string name;
  uint16_t functionIndex;
};

struct FixtureDll {
  std::vector<FixtureFunction> functions;
  std::vector<FixtureName> names;  // in name-table order
  uint16_t machine = 0x14C;
  int32_t base = 1;
  std::string dllName = "fixture.dll";
};

struct BuiltDll {
  std::vector<uint8_t> bytes;
  // File offsets of the pieces tests like to damage.
  uint32_t ntHeaders = 0x40, sectionTable = 0x40 + 248, exportDirectory = 0;
  uint32_t functionTable = 0, nameTable = 0, ordinalTable = 0;
  uint32_t textRva = 0x1000, textRaw = 0x200, edataRva = 0, edataRaw = 0;
  std::vector<uint32_t> functionRvas;

  void Put16(size_t at, uint16_t v) { Put(at, &v, 2); }
  void Put32(size_t at, uint32_t v) { Put(at, &v, 4); }
  void Put(size_t at, const void* v, size_t n) {
    if (bytes.size() < at + n) bytes.resize(at + n);
    std::memcpy(bytes.data() + at, v, n);
  }
  uint32_t Get32(size_t at) const {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  }
};

// Field offsets inside the NT headers.
constexpr uint32_t kNumberOfSectionsAt = 6, kMachineAt = 4, kSizeOfImageAt = 24 + 56, kSizeOfHeadersAt = 24 + 60,
                   kExportDirAt = 120, kExportSizeAt = 124, kImageBaseAt = 24 + 28;
// Field offsets inside the export directory.
constexpr uint32_t kExpName = 12, kExpBase = 16, kExpNumberOfFunctions = 20, kExpNumberOfNames = 24,
                   kExpAddressOfFunctions = 28, kExpAddressOfNames = 32, kExpAddressOfNameOrdinals = 36;

inline uint32_t AlignUp(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

inline BuiltDll BuildDll(const FixtureDll& dll) {
  BuiltDll out;
  // .text: each function's code in turn, 16-byte aligned.
  std::vector<uint8_t> text;
  std::vector<uint32_t> codeOffset(dll.functions.size(), 0);
  for (size_t k = 0; k < dll.functions.size(); ++k) {
    codeOffset[k] = static_cast<uint32_t>(text.size());
    text.insert(text.end(), dll.functions[k].code.begin(), dll.functions[k].code.end());
    text.resize(AlignUp(static_cast<uint32_t>(text.size()), 16), 0xCC);
  }
  if (text.empty()) text.assign(16, 0xCC);
  const uint32_t textSize = static_cast<uint32_t>(text.size());
  out.edataRva = AlignUp(out.textRva + textSize, 0x1000);
  out.edataRaw = AlignUp(out.textRaw + textSize, 0x200);

  // .edata: directory, address table, name table, ordinal table, strings.
  const uint32_t nFun = static_cast<uint32_t>(dll.functions.size()), nNames = static_cast<uint32_t>(dll.names.size());
  std::vector<uint8_t> edata(40 + 4 * nFun + 4 * nNames + 2 * nNames, 0);
  auto put32 = [&edata](size_t at, uint32_t v) { std::memcpy(edata.data() + at, &v, 4); };
  auto addString = [&edata, &out](const std::string& s) {
    const uint32_t rva = out.edataRva + static_cast<uint32_t>(edata.size());
    edata.insert(edata.end(), s.begin(), s.end());
    edata.push_back(0);
    return rva;
  };
  const uint32_t funAt = 40, namesAt = funAt + 4 * nFun, ordAt = namesAt + 4 * nNames;
  put32(kExpName, addString(dll.dllName));
  put32(kExpBase, static_cast<uint32_t>(dll.base));
  put32(kExpNumberOfFunctions, nFun);
  put32(kExpNumberOfNames, nNames);
  put32(kExpAddressOfFunctions, out.edataRva + funAt);
  put32(kExpAddressOfNames, out.edataRva + namesAt);
  put32(kExpAddressOfNameOrdinals, out.edataRva + ordAt);
  for (uint32_t k = 0; k < nFun; ++k) {
    const FixtureFunction& f = dll.functions[k];
    uint32_t rva = out.textRva + codeOffset[k];
    if (f.absent) rva = 0;
    else if (!f.forwarder.empty()) rva = addString(f.forwarder);
    put32(funAt + 4 * k, rva);
    out.functionRvas.push_back(rva);
  }
  for (uint32_t i = 0; i < nNames; ++i) {
    put32(namesAt + 4 * i, addString(dll.names[i].name));
    std::memcpy(edata.data() + ordAt + 2 * i, &dll.names[i].functionIndex, 2);
  }
  const uint32_t edataSize = static_cast<uint32_t>(edata.size());

  out.bytes.assign(out.edataRaw + AlignUp(edataSize, 0x200), 0);
  out.exportDirectory = out.edataRaw;
  out.functionTable = out.edataRaw + funAt;
  out.nameTable = out.edataRaw + namesAt;
  out.ordinalTable = out.edataRaw + ordAt;

  // Headers.
  out.Put16(0, 0x5A4D);
  out.Put32(60, out.ntHeaders);
  const uint32_t nt = out.ntHeaders;
  out.Put32(nt, 0x4550);
  out.Put16(nt + kMachineAt, dll.machine);
  out.Put16(nt + kNumberOfSectionsAt, 2);
  out.Put16(nt + 20, 224);     // SizeOfOptionalHeader
  out.Put16(nt + 22, 0x2102);  // executable, 32-bit, DLL
  out.Put16(nt + 24, 0x10B);   // PE32
  out.Put32(nt + kImageBaseAt, 0x10000000);
  out.Put32(nt + 24 + 32, 0x1000);  // SectionAlignment
  out.Put32(nt + 24 + 36, 0x200);   // FileAlignment
  out.Put32(nt + kSizeOfImageAt, AlignUp(out.edataRva + edataSize, 0x1000));
  out.Put32(nt + kSizeOfHeadersAt, 0x200);
  out.Put32(nt + 24 + 92, 16);  // NumberOfRvaAndSizes
  out.Put32(nt + kExportDirAt, out.edataRva);
  out.Put32(nt + kExportSizeAt, edataSize);
  auto section = [&out](uint32_t at, const char* name, uint32_t vsize, uint32_t rva, uint32_t rawSize, uint32_t raw,
                        uint32_t flags) {
    out.Put(at, name, std::strlen(name));
    out.Put32(at + 8, vsize);
    out.Put32(at + 12, rva);
    out.Put32(at + 16, rawSize);
    out.Put32(at + 20, raw);
    out.Put32(at + 36, flags);
  };
  section(out.sectionTable, ".text", textSize, out.textRva, AlignUp(textSize, 0x200), out.textRaw, 0x60000020);
  section(out.sectionTable + 40, ".edata", edataSize, out.edataRva, AlignUp(edataSize, 0x200), out.edataRaw,
          0x40000040);

  std::memcpy(out.bytes.data() + out.textRaw, text.data(), text.size());
  std::memcpy(out.bytes.data() + out.edataRaw, edata.data(), edata.size());
  return out;
}

// One function per name, in order: {name, code}.
inline BuiltDll SimpleDll(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& exports) {
  FixtureDll dll;
  for (size_t k = 0; k < exports.size(); ++k) {
    dll.functions.push_back({exports[k].second, {}, false});
    dll.names.push_back({exports[k].first, static_cast<uint16_t>(k)});
  }
  return BuildDll(dll);
}

}  // namespace kestrivo::test

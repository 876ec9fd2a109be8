// Writes the hostile 64 MiB files of the bounds test into a folder, for
// measuring kestrivo-dump by hand (/usr/bin/time -v):
//
//   make_hostile OUT_DIR [CASE...]

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "hostile_files.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: make_hostile OUT_DIR [CASE...]\n", stderr);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out);
  for (const auto& c : kestrivo::test::hostile::Cases()) {
    bool wanted = argc == 2;
    for (int k = 2; k < argc; ++k) wanted = wanted || c.name == std::string(argv[k]);
    if (!wanted) continue;
    const auto bytes = c.make();
    std::ofstream(out / (std::string(c.name) + ".dll"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::printf("%s.dll: %s\n", c.name, c.what);
  }
  return 0;
}

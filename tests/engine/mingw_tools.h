#pragma once
// Helpers for the tests that drive real tools on Linux: the MinGW cross
// compiler that builds DLL fixtures at run time, objdump as a peer, and the
// kestrivo-dump program itself. Linux only: the Windows build of the tests
// leaves these tests out.

#ifndef _WIN32

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kestrivo::test {

inline constexpr const char* kMingwGcc = "i686-w64-mingw32-gcc";
inline constexpr const char* kMingwObjdump = "i686-w64-mingw32-objdump";

inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

struct CommandResult {
  int status = -1;  // exit status, or -1 when the command did not exit normally
  std::string output;
};

// Runs `command` through the shell and collects its standard output.
inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[1 << 16];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

inline bool HaveTool(const char* name) {
  return RunCommand(std::string("command -v ") + name + " >/dev/null 2>&1").status == 0;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// One line of kestrivo-dump: the five column texts.
struct DumpRow {
  std::string ordinal, name, args, rva, offset;
};

struct DumpResult {
  int status = -1;
  std::vector<DumpRow> rows;
  std::vector<std::string> malformed;  // lines that do not hold five columns
};

inline DumpResult DumpExports(const std::string& path) {
  CommandResult run = RunCommand(ShellQuote(KESTRIVO_DUMP) + " " + ShellQuote(path));
  DumpResult dump;
  dump.status = run.status;
  for (const std::string& line : SplitLines(run.output)) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
      size_t tab = line.find('\t', start);
      cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (cells.size() == 5) dump.rows.push_back({cells[0], cells[1], cells[2], cells[3], cells[4]});
    else dump.malformed.push_back(line);
  }
  return dump;
}

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrivo-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool Ok() const { return !path_.empty(); }
  std::string Path(const std::string& name = "") const { return name.empty() ? path_ : path_ + "/" + name; }

 private:
  std::string path_;
};

// The C sources of the compiled fixtures.
inline std::string CompiledSource(const std::string& name) {
  return std::string(KESTRIVO_TEST_DATA) + "/compiled/" + name;
}

// Compiles `sources` (C files and at most one .def) into the DLL `output` with
// the cross compiler; on failure returns the compiler's messages, else "".
inline std::string CompileDll(const std::string& output, const std::vector<std::string>& sources,
                              const std::string& flags) {
  std::string command = std::string(kMingwGcc) + " -shared " + flags + " -o " + ShellQuote(output);
  for (const std::string& source : sources) command += " " + ShellQuote(source);
  CommandResult run = RunCommand(command + " 2>&1");
  if (run.status == 0) return "";
  return "failed: " + command + "\n" + run.output;
}

}  // namespace kestrivo::test

#endif  // _WIN32

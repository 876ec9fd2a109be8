// kestrivo-dump: prints the exports list of PE32 files, one line per row with
// the five column texts separated by tabs, exactly as the window shows them.
//
//   kestrivo-dump [--json] [--no-args] FILE...
//
// --json     one JSON object per row and line, with the file name
// --no-args  leave the argument estimate out (much faster on large DLLs)
// A file that cannot be opened is reported on standard error and the exit
// status is 1; the other files are still listed.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/export_listing.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it builds on
#endif

namespace {

using kestrivo::ExportRow;

void AppendJsonString(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Names are bytes in the DLL's own code page: keep each byte visible as U+00XX.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

// Writes each row as soon as the next one starts, so memory stays flat however
// many rows a file has.
class StreamingView final : public kestrivo::ExportsView {
 public:
  StreamingView(std::string file, bool json) : file_(std::move(file)), json_(json) {}
  ~StreamingView() override { Flush(); }

  void ClearRows() override { open_ = false; count_ = 0; }
  int AppendRow(const std::string& text) override {
    Flush();
    row_ = ExportRow{text, {}, {}, {}, {}};
    open_ = true;
    return count_++;
  }
  void SetCellText(int, int column, const std::string& text) override {
    std::string* cells[] = {&row_.ordinal, &row_.name, &row_.args, &row_.rva, &row_.offset};
    if (column >= 0 && column < 5) *cells[column] = text;
  }
  int RowCount() override { return count_; }
  void SetStatusText(int, const std::string&) override { Flush(); }
  void ShowError(const std::string&) override { failed_ = true; }

  bool Failed() const { return failed_; }
  void Flush() {
    if (!open_) return;
    open_ = false;
    line_.clear();
    if (json_) {
      line_ += "{\"file\":";
      AppendJsonString(line_, file_);
      line_ += ",\"ordinal\":";
      AppendJsonString(line_, row_.ordinal);
      line_ += ",\"name\":";
      AppendJsonString(line_, row_.name);
      line_ += ",\"args\":";
      line_ += row_.args.empty() ? "null" : row_.args;
      line_ += ",\"rva\":";
      AppendJsonString(line_, row_.rva);
      line_ += ",\"offset\":";
      AppendJsonString(line_, row_.offset);
      line_ += "}\n";
    } else {
      line_ += row_.ordinal + '\t' + row_.name + '\t' + row_.args + '\t' + row_.rva + '\t' + row_.offset + '\n';
    }
    std::fwrite(line_.data(), 1, line_.size(), stdout);
  }

 private:
  std::string file_;
  bool json_;
  ExportRow row_;
  std::string line_;
  bool open_ = false;
  bool failed_ = false;
  int count_ = 0;
};

std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
  // The wide command line, so that paths outside the ANSI code page survive.
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, utf8.data(), n, nullptr, nullptr);
    args.push_back(utf8);
  }
  LocalFree(wide);
  (void)argc;
  return args;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // names are bytes; no newline translation
#endif
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

  bool json = false;
  kestrivo::ListingOptions options;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (const std::string& arg : Arguments(argc, argv)) {
    if (!optionsEnded && arg == "--") optionsEnded = true;
    else if (!optionsEnded && arg == "--json") json = true;
    else if (!optionsEnded && arg == "--no-args") options.estimateArgs = false;
    else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
      std::puts("usage: kestrivo-dump [--json] [--no-args] FILE...");
      return 0;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "kestrivo-dump: unknown option '%s'\nusage: kestrivo-dump [--json] [--no-args] FILE...\n",
                   arg.c_str());
      return 2;
    } else files.push_back(arg);
  }
  if (files.empty()) {
    std::fputs("usage: kestrivo-dump [--json] [--no-args] FILE...\n", stderr);
    return 2;
  }

  int status = 0;
  kestrivo::ImageState state;
  for (const std::string& file : files) {
    StreamingView view(file, json);
    kestrivo::ListExports(file, view, state, options);
    view.Flush();
    if (view.Failed()) {
      std::fflush(stdout);
      std::fprintf(stderr, "kestrivo-dump: cannot open '%s'\n", file.c_str());
      status = 1;
    }
  }
  std::fflush(stdout);
  return status;
}

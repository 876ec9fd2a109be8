// The command-line lister as a user runs it: output, errors and exit status.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "listing_helpers.h"

namespace kestrivo::test {
namespace {

struct DumpRun {
  std::string out, err;
  int status = -1;
};

DumpRun Dump(const std::string& args) {
  // One file per run: ctest runs the cases of this suite in parallel processes.
  std::string errFile = ::testing::TempDir() + "kestrivo-dump-stderr-XXXXXX";
  const int fd = mkstemp(errFile.data());
  if (fd >= 0) close(fd);
  const std::string command = std::string("'") + KESTRIVO_DUMP + "' " + args + " 2>'" + errFile + "'";
  DumpRun run;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = ReadWholeFile(errFile);
  std::remove(errFile.c_str());
  return run;
}

const std::string kSsp = MingwRuntimeDll("libssp-0.dll");
const std::string kSspRows = std::string(KESTRIVO_TEST_DATA) + "/reference/mingw-dlls/libssp-0.dll.tsv";

TEST(KestrivoDump, ListsEveryFileAndReportsTheOnesThatCannotBeOpened) {
  const DumpRun run = Dump("'" + kSsp + "' /nonexistent/file.dll '" + kSsp + "'");
  const std::string rows = ReadWholeFile(kSspRows);
  EXPECT_EQ(run.out, rows + rows) << "only rows on standard output, both listings complete";
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("/nonexistent/file.dll"), std::string::npos) << run.err;
}

TEST(KestrivoDump, FoldersAndNonPeFilesGiveNoRows) {
  const DumpRun folder = Dump("/tmp");
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.out, "");
  const DumpRun text = Dump(std::string("'") + KESTRIVO_TEST_DATA + "/reference/decoder-vectors.tsv'");
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, "");
  EXPECT_EQ(Dump("").status, 2) << "no file is a usage error";
  EXPECT_EQ(Dump("--bogus x").status, 2);
}

TEST(KestrivoDump, NoArgsLeavesTheColumnEmptyAndJsonCarriesTheSameValues) {
  const DumpRun plain = Dump("--no-args '" + kSsp + "'");
  ASSERT_EQ(plain.status, 0);
  const std::string first = plain.out.substr(0, plain.out.find('\n'));
  EXPECT_EQ(first, "0001\t__chk_fail\t\t000015B0\t00000BB0");

  const DumpRun json = Dump("--json '" + kSsp + "'");
  ASSERT_EQ(json.status, 0);
  const std::string line = json.out.substr(0, json.out.find('\n'));
  EXPECT_EQ(line, "{\"file\":\"" + kSsp +
                      "\",\"ordinal\":\"0001\",\"name\":\"__chk_fail\",\"args\":0,\"rva\":\"000015B0\","
                      "\"offset\":\"00000BB0\"}");
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 13);
}

}  // namespace
}  // namespace kestrivo::test
#endif

// vri-batch as support staff and schedulers run it: exit statuses, usage
// errors that touch nothing, and every message as a line and a JSON object.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

struct BatchRun {
  int status = -1;
  std::string err;
  std::string json;
};

// Runs vri-batch with the given arguments (already quoted for the shell),
// with VRI_ROOT unset so only --root counts.
BatchRun RunBatch(const fs::path& work, const std::string& arguments) {
  fs::path err = work / "stderr.txt", json = work / "messages.json";
  fs::remove(json);
  std::string cmd = "cd '" + work.string() + "' && env -u VRI_ROOT '" VRI_BIN_DIR "/vri-batch' " +
                    "--messages '" + json.string() + "' " + arguments + " >/dev/null 2>'" +
                    err.string() + "'";
  int raw = std::system(cmd.c_str());
  BatchRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream e(err), j(json);
  run.err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
  run.json.assign(std::istreambuf_iterator<char>(j), std::istreambuf_iterator<char>());
  return run;
}

struct UsageCase {
  const char* comment;
  const char* arguments;
  const char* says;
};

TEST(BatchCli, UsageErrorsExit2AndTouchNothing) {
  const UsageCase cases[] = {
      {"no command", "--root ROOT", "no command given"},
      {"no root at all", "palm-export", "no root folder"},
      {"unknown command", "--root ROOT frobnicate", "unknown command frobnicate"},
      {"unknown global option", "--root ROOT --colour palm-export", "unknown option --colour"},
      {"option without value", "--root ROOT --company", "--company needs a value"},
      {"unknown command option", "--root ROOT palm-export --fast", "unknown argument --fast"},
      {"sintegra without month", "--root ROOT sintegra", "--month"},
      {"field longer than its limit", "--root ROOT sintegra --month 03/2026 --number 123456",
       "--number"},
      {"sort without file", "--root ROOT sintegra-sort", "sintegra-sort"},
  };
  for (const UsageCase& c : cases) {
    TempRoot root;
    fs::create_directories(root.dir() / "Kmar" / "Vri");
    std::string args = c.arguments;
    std::size_t at = args.find("ROOT");
    if (at != std::string::npos) args.replace(at, 4, "'" + root.dir().string() + "'");
    BatchRun run = RunBatch(root.dir(), args);
    EXPECT_EQ(run.status, 2) << c.comment;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.comment << ": " << run.err;
    EXPECT_EQ(run.json, "") << c.comment;
    // nothing made: neither the company folder nor an exchange folder
    EXPECT_FALSE(fs::exists(root.dir() / "Kmar" / "Vri" / "R00")) << c.comment;
    EXPECT_FALSE(fs::exists(root.dir() / "Palm")) << c.comment;
  }
}

TEST(BatchCli, MissingProductFolderShowsTheStartUpMessageAndExits1) {
  TempRoot root;  // no Kmar\Vri below it
  BatchRun run = RunBatch(root.dir(), "--root '" + root.dir().string() + "' palm-export");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.json,
            "{\"icon\": \"error\", \"caption\": \"Desenvolvimento\", \"text\": \"Erro ao mudar a "
            "pasta.\"}\n");
  EXPECT_NE(run.err.find("error [Desenvolvimento] Erro ao mudar a pasta."), std::string::npos)
      << run.err;
}

TEST(BatchCli, MessagesArePrintedAndLoggedInUtf8) {
  TempRoot root;
  fs::create_directories(root.dir() / "Kmar" / "Vri");
  // a month that normalises to nothing is refused by the generation itself
  BatchRun run = RunBatch(root.dir(), "--root '" + root.dir().string() +
                                          "' sintegra --month 14/2026");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.json.find("\"caption\": \"Vri\", \"text\": \"\xC3\x89 obrigat\xC3\xB3rio "
                          "informar o m\xC3\xAAs/ano.\"}"),
            std::string::npos)
      << run.json;
  EXPECT_NE(run.err.find("\xC3\x89 obrigat\xC3\xB3rio"), std::string::npos) << run.err;
}

}  // namespace

#endif  // _WIN32

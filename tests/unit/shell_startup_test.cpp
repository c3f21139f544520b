// Start-up: the command-line rule, the product folder and the company
// context loaded from real files in a throw-away drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/catalogue.h"
#include "records/company.h"
#include "shell/startup.h"
#include "test_support.h"
#include "tests/support/seam_doubles.h"

namespace {

// Every test starts from the context of a fresh process.
class ShellStartup : public ::testing::Test {
 protected:
  void SetUp() override { Company() = CompanyContext{}; }
  void TearDown() override { Company() = CompanyContext{}; }
};

// One company master record: the code in field 0 (11 characters), blanks,
// and the status byte ('+' = free).
std::string CompanyRecord(const std::string& code, char status = ' ') {
  std::string record = code;
  record.resize(kCompanyRecordLength, ' ');
  record.back() = status;
  return record;
}

// The current folder is `name` (C:\... as the core names it), whichever of
// the two names the platform layer reports.
::testing::AssertionResult InFolder(const std::string& name) {
  std::string current;
  if (!PlatGetCurrentFolder(current)) return ::testing::AssertionFailure() << "no folder";
  if (current == name || current == PlatNativePath(name)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << current << " is not " << name;
}

std::string Master(const std::vector<std::string>& records) {
  std::string bytes;
  for (const auto& r : records) bytes += r;
  return bytes;
}

struct CommandLineCase {
  const char* comment;
  std::string arguments;
  int mode;
  std::string code;
};

TEST_F(ShellStartup, CommandLineRuleSettlesModeAndCode) {
  const std::vector<CommandLineCase> cases = {
      {"Palm job, lower-case prefix", "vri200001", kModePalm, "00001"},
      {"Palm job, upper-case prefix", "VRI200001", kModePalm, "00001"},
      {"mixed case, another company", "Vri212345", kModePalm, "12345"},
      {"mode digit 3: no job", "vri300001", kModeNone, "00001"},
      {"mode digit 0: no job", "vri000001", kModeNone, "00001"},
      {"any other 4th character: no job", "vriX54321", kModeNone, "54321"},
      {"8 characters: fiscal job, default company", "vri20001", kModeFiscal, "00001"},
      {"10 characters: fiscal job, default company", "vri2000010", kModeFiscal, "00001"},
      {"empty: fiscal job", "", kModeFiscal, "00001"},
      {"wrong prefix of the right length", "abc200001", kModeFiscal, "00001"},
      {"very long text", "vri2" + std::string(100000, '7'), kModeFiscal, "00001"},
      {"code taken as it stands, blanks and all", "vri2   12", kModePalm, "   12"},
      {"bytes 0x80-0xFF in the code pass through", "vri2\x80\xE9\xFF\xC7\xA0", kModePalm,
       "\x80\xE9\xFF\xC7\xA0"},
      {"high bytes are no letters of the prefix", "\xD6RI200001", kModeFiscal, "00001"},
      {"prefix blank in front", " vri20001", kModeFiscal, "00001"},
      {"NUL inside the code is an ordinary byte", std::string("vri20\0" "001", 9), kModePalm,
       std::string("0\0" "001", 5)},
  };
  for (const auto& c : cases) {
    Company() = CompanyContext{};
    Company().company_code = "stale";
    EXPECT_EQ(ApplyCommandLine(c.arguments), c.mode) << c.comment;
    EXPECT_EQ(Company().job_mode, c.mode) << c.comment;
    EXPECT_EQ(Company().company_code, c.code) << c.comment;
  }
}

// DecimalValue reads as ToInt does (its own table is in the codec tests);
// here only the company codes start-up meets, five characters of the command
// line.
TEST_F(ShellStartup, DecimalValueReadsLikeTheLargerProduct) {
  const struct {
    const char* comment;
    std::string text;
    int value;
  } cases[] = {
      {"a code padded with blanks", "   12", 12},
      {"a code of letters first: no digits", "AB123", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(DecimalValue(c.text), c.value) << c.comment;
}

TEST_F(ShellStartup, SetWorkFolderEntersTheProductFolder) {
  TempRoot root;
  std::filesystem::create_directories(root.dir() / "Kmar" / "Vri");
  MessageRecorder messages;
  EXPECT_EQ(SetWorkFolder("Vri"), 1);
  EXPECT_TRUE(InFolder("C:\\Kmar\\Vri"));
  EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ShellStartup, SetWorkFolderFailureIsShownAndLeavesTheFolder) {
  TempRoot root;
  std::filesystem::create_directories(root.dir() / "Elsewhere");
  ASSERT_EQ(PlatSetCurrentFolder(root.Path("Elsewhere")), 1);
  const std::vector<RecordedMessage> expected = {
      {PlatIcon::kError, "Desenvolvimento", "Erro ao mudar a pasta."}};
  for (const std::string& name : {std::string("Vri"), std::string(5000, 'x')}) {
    MessageRecorder messages;
    EXPECT_EQ(SetWorkFolder(name), 0) << name.size();
    EXPECT_EQ(messages.messages(), expected) << name.size();
    EXPECT_TRUE(InFolder("C:\\Elsewhere"));
  }
}

TEST_F(ShellStartup, SetWorkFolderLeavesTheDevelopmentFolderInPlace) {
  TempRoot root;
  std::filesystem::create_directories(root.dir() / "Kmar" / "Fontes" / "Vri" / "Bin");
  std::filesystem::create_directories(root.dir() / "Kmar" / "Vri");
  ASSERT_EQ(PlatSetCurrentFolder(kDevelopmentFolder), 1);
  MessageRecorder messages;
  EXPECT_EQ(SetWorkFolder("Vri"), 1);
  EXPECT_TRUE(InFolder(kDevelopmentFolder));
  EXPECT_TRUE(messages.messages().empty());
}

// A product folder laid out for LoadCompany: master, system record, code.
struct LoadCase {
  const char* comment;
  std::vector<std::string> master;  // empty: no F00R0.DAT
  bool has_system;
  std::string system;               // C11.DAT bytes
  std::string given_code;
  int loaded;
  std::string code;
  int record;
};

TEST_F(ShellStartup, LoadCompanyTakesTheMasterOrTheCompanyUsedLast) {
  const std::vector<std::string> master = {
      CompanyRecord("00001"), CompanyRecord("00012"), CompanyRecord("00005", '+'),
      CompanyRecord("00077"), CompanyRecord("")};
  const std::vector<LoadCase> cases = {
      {"code found", master, false, "", "00001", 1, "00001", 0},
      {"blanks and 12 become 00012", master, false, "", "   12", 1, "00012", 1},
      {"found ahead of C11.DAT", master, true, "3         ", "00012", 1, "00012", 1},
      {"not found: record 3 of C11.DAT, its code replaces the given one", master, true,
       "3    ", "00099", 1, "00077", 3},
      {"AB123 looks 00000 up, then C11.DAT", master, true, "1", "AB123", 1, "00012", 1},
      {"C11.DAT absent", master, false, "", "00099", 0, "", -1},
      {"C11.DAT empty names no company", master, true, "", "00099", 0, "", -1},
      {"C11.DAT without a number names no company", master, true, "abc       ", "00099", 0,
       "", -1},
      {"C11.DAT zero is record 0", master, true, "0         ", "00099", 1, "00001", 0},
      {"only the first 10 characters count", master, true, "          3", "00099", 0, "", -1},
      {"C11.DAT points at a free record", master, true, "2", "00099", 0, "", -1},
      {"found code of a free record is skipped by the look-up", master, false, "", "00005", 0,
       "", -1},
      {"C11.DAT beyond the end of the master", master, true, "9", "00099", 0, "", -1},
      {"C11.DAT negative", master, true, "-1", "00099", 0, "", -1},
      {"C11.DAT far too large", master, true, "9999999999", "00099", 0, "", -1},
      {"record with a blank code", master, true, "4", "00099", 0, "", -1},
      {"master missing", {}, true, "0", "00001", 0, "", -1},
      {"empty code: no look-up, nothing read", master, true, "0", "", 0, "", -1},
  };
  for (const auto& c : cases) {
    TempRoot root;
    root.EnterProductFolder();
    if (!c.master.empty()) WriteFileBytes("F00R0.DAT", Master(c.master));
    if (c.has_system) WriteFileBytes("C11.DAT", c.system);
    Company() = CompanyContext{};
    Company().company_code = c.given_code;
    MessageRecorder messages;
    EXPECT_EQ(LoadCompany(kLoadLookUp), c.loaded) << c.comment;
    EXPECT_EQ(Company().company_code, c.code) << c.comment;
    EXPECT_EQ(Company().company_record, c.record) << c.comment;
    EXPECT_TRUE(messages.messages().empty()) << c.comment;
    // The company folder exists exactly when a company was loaded.
    std::vector<std::string> folders;
    for (const auto& entry :
         std::filesystem::directory_iterator(root.dir() / "Kmar" / "Vri" / "R00"))
      folders.push_back(entry.path().filename().string());
    if (c.loaded) {
      EXPECT_EQ(folders, std::vector<std::string>{c.code}) << c.comment;
    } else {
      EXPECT_TRUE(folders.empty()) << c.comment;
    }
  }
}

TEST_F(ShellStartup, LoadCompanyKeepsAnExistingFolderAndMakesAMissingR00) {
  TempRoot root;
  std::filesystem::create_directories(root.dir() / "Kmar" / "Vri");
  ASSERT_EQ(PlatSetCurrentFolder(root.Path("Kmar\\Vri")), 1);
  WriteFileBytes("F00R0.DAT", Master({CompanyRecord("00001")}));

  Company().company_code = "00001";
  EXPECT_EQ(LoadCompany(kLoadLookUp), 1);
  EXPECT_TRUE(std::filesystem::is_directory(root.dir() / "Kmar" / "Vri" / "R00" / "00001"));
  WriteFileBytes("R00\\00001\\F15R1.DAT", "kept");

  Company().company_code = "1";
  EXPECT_EQ(LoadCompany(kLoadLookUp), 1);
  EXPECT_EQ(Company().company_code, "00001");
  EXPECT_EQ(ReadFileBytes("R00\\00001\\F15R1.DAT"), "kept");
}

TEST_F(ShellStartup, ReadLastCompanyReadsOnlyForTheLastUsedRequest) {
  TempRoot root;
  root.EnterProductFolder();
  WriteFileBytes("C11.DAT", "7         rest of the record");
  const struct {
    const char* comment;
    int request;
    int before;
    int after;
  } cases[] = {
      {"request 0 reads C11.DAT", kLoadLastUsed, -1, 7},
      {"request 2 keeps the record found", kLoadFound, 4, 4},
      {"request 3 keeps it as well", kLoadLookUp, 4, 4},
  };
  for (const auto& c : cases) {
    Company().company_record = c.before;
    EXPECT_EQ(ReadLastCompany(c.request), c.after) << c.comment;
    EXPECT_EQ(Company().company_record, c.after) << c.comment;
  }
}

TEST_F(ShellStartup, LoadCompanyClosesEveryFileItOpens) {
  TempRoot root;
  root.EnterProductFolder();
  WriteFileBytes("F00R0.DAT", Master({CompanyRecord("00001"), CompanyRecord("00002")}));
  WriteFileBytes("C11.DAT", "1");
  FaultInjector faults;
  Company().company_code = "00042";
  EXPECT_EQ(LoadCompany(kLoadLookUp), 1);
  EXPECT_EQ(Company().company_code, "00002");
  EXPECT_EQ(faults.OpenHandles(), 0);
}

}  // namespace

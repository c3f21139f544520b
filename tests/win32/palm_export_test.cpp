// The Palm export against a table held open by another program (the
// handheld's sync program) without delete sharing: a real Win32 handle of
// this process stands for it, since sharing is enforced per handle.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "palm/palm_export.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/palm_test_support.h"

namespace {

std::vector<std::string> Tables(const PalmFolders& folders) {
  std::vector<std::string> bytes;
  for (const char* table : kPalmTables)
    bytes.push_back(ReadFileBytes(folders.ExchangeFile(std::string(table) + ".txt")));
  return bytes;
}

TEST(PalmExportWin32, ATableHeldOpenKeepsAllSixteenOld) {
  PalmFolders folders;
  for (const char* table : kPalmTables)
    WriteFileBytes(folders.ExchangeFile(std::string(table) + ".txt"),
                   std::string("old ") + table + "\r\n");
  const std::vector<std::string> old = Tables(folders);
  HANDLE held = CreateFileA(PlatNativePath(folders.ExchangeFile("Cliente.txt")).c_str(),
                            GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  {
    MessageRecorder messages;
    EXPECT_EQ(PalmExport(nullptr, folders.Exchange(), 1, {}), 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0],
              (RecordedMessage{PlatIcon::kError, "Exportar", "Erro ao abrir arquivo Palm."}));
    const std::string& detail = messages.messages()[0].detail;
    EXPECT_NE(detail.find("Cliente.txt"), std::string::npos) << detail;
    EXPECT_NE(detail.find("aberta em outro programa"), std::string::npos) << detail;
  }
  EXPECT_EQ(Tables(folders), old);
  EXPECT_EQ(StrayFiles(folders), std::vector<std::string>{});
  CloseHandle(held);
  // let go, the next export puts all sixteen in place
  MessageRecorder messages;
  EXPECT_EQ(PalmExport(nullptr, folders.Exchange(), 1, {}), 1);
  EXPECT_EQ(ReadFileBytes(folders.ExchangeFile("Cliente.txt")), "");
  EXPECT_EQ(StrayFiles(folders), std::vector<std::string>{});
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "palm/palm_dialog.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/palm_test_support.h"

namespace {

TEST(PalmDialog, CaptionIsTheMainTitleAndTheCompanyCode) {
  struct Row {
    std::string title, code, caption;
  } rows[] = {
      {"Vri 4.72b", "00001", "Vri 4.72b - 00001"},
      {"", "00001", " - 00001"},
      {std::string(60, 'T'), "00002", std::string(49, 'T') + " - 00002"},  // title cut to 49
  };
  for (const Row& row : rows) {
    std::string out = "stale";
    EXPECT_EQ(PalmDialogCaption(out, row.title, row.code), row.caption);
  }
}

TEST(PalmDialog, ChooserStartsInTheNearestExistingFolder) {
  PalmFolders folders;
  struct Row {
    std::string typed, start;
  } rows[] = {
      {folders.root().Path("Palm"), folders.root().Path("Palm")},           // exists
      {folders.root().Path("Palm\\NaoHa"), folders.root().Path("Palm")},    // its parent exists
      {folders.root().Path("NaoHa\\Nada"), "C:\\"},                         // neither
      {"", "C:\\"},
  };
  for (const Row& row : rows) {
    std::string folder = row.typed;
    EXPECT_EQ(ChooserStartFolder(folder), row.start) << row.typed;
  }
}

// The chosen folder is the returned path less its last component; a folder
// that does not fit the field is refused; an accepted one is remembered in
// F37.DAT under "PAL" as a folder.
TEST(PalmDialog, ChosenFolderIsTakenAndRemembered) {
  PalmFolders folders;
  MessageRecorder messages;
  std::string folder = "C:\\Palm";
  ASSERT_EQ(AcceptChosenFolder(nullptr, "C:\\Dados\\Palm\\Selecione uma pasta", folder), 1);
  EXPECT_EQ(folder, "C:\\Dados\\Palm");
  std::string record = std::string(20, ' ') + "PAL" + std::string(16, ' ') + "1" +
                       Left("C:\\Dados\\Palm", 360);
  EXPECT_EQ(ReadFileBytes(folders.ProductFile("F37.DAT")), record);

  ASSERT_EQ(AcceptChosenFolder(nullptr, "C:\\Selecione uma pasta", folder), 1);
  EXPECT_EQ(folder, "C:");  // a drive root
  EXPECT_TRUE(messages.messages().empty());

  // 49 characters fit, 50 do not.
  std::string fits = "C:\\" + std::string(46, 'a');
  ASSERT_EQ(AcceptChosenFolder(nullptr, fits + "\\x", folder), 1);
  EXPECT_EQ(folder, fits);
  std::string too_long = "C:\\" + std::string(47, 'b');
  EXPECT_EQ(AcceptChosenFolder(nullptr, too_long + "\\Selecione uma pasta", folder), 0);
  EXPECT_EQ(folder, fits);  // the field keeps its text
  EXPECT_EQ(messages.messages(),
            (std::vector<RecordedMessage>{
                {PlatIcon::kError, "GetOpenFileName2", "Caminho muito grande."}}));
  // The record was rewritten in place, not appended.
  EXPECT_EQ(ReadFileBytes(folders.ProductFile("F37.DAT")).size(), 400u);
}

}  // namespace

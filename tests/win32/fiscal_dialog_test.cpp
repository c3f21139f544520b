// The fiscal printer dialog on the real BOXECF resource, with a fake printer
// library behind the platform seam: what each message does to the controls,
// the library and the message sequence.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fiscal/fiscal_dialog_win32.h"
#include "fiscal/fiscal_job.h"
#include "fiscal/sintegra.h"
#include "fiscal/sintegra_check.h"
#include "resources/boxecf_res.h"
#include "resources/vri_res.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/fiscal_fake_library.h"
#include "tests/unit/test_support.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class FiscalDialog : public ::testing::Test {
 protected:
  void SetUp() override { root_.EnterProductFolder(); }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    Pump();
  }
  void Open() {
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), IDD_BOXECF, nullptr, FiscalDialogProc, 0);
    ASSERT_NE(dialog_, nullptr);
    Pump();
  }
  HWND Item(int id) { return GetDlgItem(dialog_, id); }
  std::string Shown(int id) {
    char buffer[512] = {0};
    GetDlgItemTextA(dialog_, id, buffer, sizeof buffer);
    return buffer;
  }
  void Type(int id, const std::string& text) { SetDlgItemTextA(dialog_, id, text.c_str()); }
  void Leave(int id) {
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), (LPARAM)Item(id));
  }
  LRESULT Command(int id) {
    return SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)Item(id));
  }

  TempRoot root_;
  FakeEcfLibrary fake_;
  MessageRecorder rec_;
  HWND dialog_ = nullptr;
};

TEST_F(FiscalDialog, StartUpSetsLimitsFontAndVersion) {
  Open();
  EXPECT_EQ(FakeEcf().loads, 1);
  EXPECT_EQ(FakeEcf().loaded_path, "Bemafi32.dll");
  const std::pair<int, int> limits[] = {
      {IDC_BOXECF_MONTH_YEAR, 7}, {IDC_BOXECF_REPORT, 2},     {IDC_BOXECF_FOLDER, 100},
      {IDC_BOXECF_NAME, 35},      {IDC_BOXECF_STREET, 34},    {IDC_BOXECF_NUMBER, 5},
      {IDC_BOXECF_COMPLEMENT, 22}, {IDC_BOXECF_DISTRICT, 15}, {IDC_BOXECF_CITY, 30},
      {IDC_BOXECF_CEP, 9},        {IDC_BOXECF_PHONE, 12},     {IDC_BOXECF_FAX, 10},
      {IDC_BOXECF_CONTACT, 18},
  };
  for (const auto& [id, limit] : limits) {
    EXPECT_EQ(SendMessageA(Item(id), EM_GETLIMITTEXT, 0, 0), limit) << id;
  }
  HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
  const int fonted[] = {IDC_BOXECF_CLOSE, IDC_BOXECF_MONTH_YEAR, IDC_BOXECF_CONTACT,
                        IDC_BOXECF_VERSION, IDC_BOXECF_MONTH_YEAR_LABEL, IDC_BOXECF_GENERATE,
                        IDC_BOXECF_GROUP};
  for (int id : fonted) {
    EXPECT_EQ((HGDIOBJ)SendMessageA(Item(id), WM_GETFONT, 0, 0), font) << id;
  }
  // ids outside 100-399 keep the dialog's font, except "&Fechar"
  EXPECT_NE((HGDIOBJ)SendMessageA(Item(IDC_BOXECF_ENTER), WM_GETFONT, 0, 0), font);
  EXPECT_NE((HGDIOBJ)SendMessageA(Item(IDC_BOXECF_SORT_LIST), WM_GETFONT, 0, 0), font);
  EXPECT_EQ(Shown(IDC_BOXECF_VERSION), "7.1.0 Fake");
  EXPECT_EQ(Shown(IDC_BOXECF_REPORT), "39");
  EXPECT_TRUE(rec_.messages().empty());
}

TEST_F(FiscalDialog, VersionFailureLeavesTheFieldEmpty) {
  FakeEcf().version_code = 0;
  Open();
  EXPECT_EQ(Shown(IDC_BOXECF_VERSION), "");
  EXPECT_EQ(rec_.messages(), (std::vector<RecordedMessage>{{PlatIcon::kError, "ECF-Trata",
                                                            "VersaoDll\n\n0 Erro de comunicação."}}));
  // the limits are set all the same
  EXPECT_EQ(SendMessageA(Item(IDC_BOXECF_MONTH_YEAR), EM_GETLIMITTEXT, 0, 0), 7);
}

TEST_F(FiscalDialog, FieldsAreNormalisedWhenLeft) {
  Open();
  struct Row {
    int id;
    const char* typed;
    const char* shown;
  };
  const Row rows[] = {
      {IDC_BOXECF_MONTH_YEAR, "3/2026", "03/2026"},
      {IDC_BOXECF_MONTH_YEAR, "032026", "03/2026"},
      {IDC_BOXECF_MONTH_YEAR, "14/2026", ""},
      {IDC_BOXECF_CEP, "12345678", "12345-678"},
      {IDC_BOXECF_CEP, "1234", "12340-000"},
      {IDC_BOXECF_CEP, "abc", ""},
      {IDC_BOXECF_NAME, " 3/2026 ", " 3/2026 "},  // other fields are left alone
      {IDC_BOXECF_PHONE, "1234", "1234"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    Type(row.id, row.typed);
    Leave(row.id);
    EXPECT_EQ(Shown(row.id), row.shown);
  }
}

TEST_F(FiscalDialog, GenerateCommitsTheFocusedFieldFirst) {
  Open();
  SetFocus(Item(IDC_BOXECF_MONTH_YEAR));
  ASSERT_EQ(GetFocus(), Item(IDC_BOXECF_MONTH_YEAR));
  Type(IDC_BOXECF_MONTH_YEAR, "4/2026");
  Type(IDC_BOXECF_CEP, "12340-000");
  Type(IDC_BOXECF_NAME, "Mercado Sol");
  Type(IDC_BOXECF_FOLDER, "D:\\Outra");  // never read
  FakeEcf().file_bytes = "90x\r\n10x\r\n";
  Command(IDC_BOXECF_GENERATE);
  EXPECT_EQ(Shown(IDC_BOXECF_MONTH_YEAR), "04/2026");
  ASSERT_EQ(FakeEcf().sintegra_calls, 1);
  ASSERT_EQ(FakeEcf().sintegra_texts.size(), 13u);
  EXPECT_EQ(FakeEcf().sintegra_texts[0], PlatNativePath(kSintegraPath));
  EXPECT_EQ(FakeEcf().sintegra_texts[1], "04");
  EXPECT_EQ(FakeEcf().sintegra_texts[2], "2026");
  EXPECT_EQ(FakeEcf().sintegra_texts[3], "Mercado Sol");
  EXPECT_EQ(FakeEcf().sintegra_texts[9], "12340000");
  EXPECT_EQ(FakeEcf().sintegra_report, 39);
  // the sorted file checked: two lines of the wrong length, errors the
  // state's validator would refuse, told after the success and kept beside it
  std::vector<SintegraFault> faults;
  ASSERT_EQ(CheckSintegraFile(kSintegraPath, faults), 1);
  int errors = 0;
  for (const SintegraFault& f : faults) errors += f.error;
  ASSERT_GT(errors, 0);
  EXPECT_EQ(rec_.messages(),
            (std::vector<RecordedMessage>{
                {PlatIcon::kInformation, "Vri", "Arquivo Sintegra.txt gerado com sucesso."},
                {PlatIcon::kWarning, "Vri",
                 "O arquivo Sintegra.txt tem " + std::to_string(errors) +
                     " erro(s) que o validador do estado pode recusar. Veja o relatório em " +
                     PlatNativePath(kSintegraCheckReportPath) + "."}}));
  EXPECT_EQ(ReadFileBytes(kSintegraPath), "10x\r\n90x\r\n");
  const std::string report = ReadFileBytes(kSintegraCheckReportPath);
  EXPECT_NE(report.find("erro [Sintegra] Linha 1: registro 10 com 3 caracteres; o leiaute pede "
                        "126.\r\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find(": " + std::to_string(errors) + " erro(s), "), std::string::npos) << report;
  EXPECT_TRUE(IsWindow(dialog_));  // the dialog stays open
}

TEST_F(FiscalDialog, EmptyMonthIsAskedFor) {
  Open();
  Type(IDC_BOXECF_MONTH_YEAR, "abc");
  Command(IDC_BOXECF_GENERATE);
  EXPECT_EQ(rec_.messages(), (std::vector<RecordedMessage>{
                                 {PlatIcon::kError, "Vri", "É obrigatório informar o mês/ano."}}));
  EXPECT_EQ(FakeEcf().sintegra_calls, 0);
}

TEST_F(FiscalDialog, EnterMovesToTheNextFieldAndNeverGenerates) {
  Open();
  Type(IDC_BOXECF_MONTH_YEAR, "03/2026");
  const int order[] = {IDC_BOXECF_NAME, IDC_BOXECF_STREET, IDC_BOXECF_NUMBER};
  SetFocus(Item(order[0]));
  for (int i = 1; i < 3; ++i) {
    Command(IDC_BOXECF_ENTER);
    Pump();
    EXPECT_EQ(GetFocus(), Item(order[i])) << i;
  }
  EXPECT_EQ(FakeEcf().sintegra_calls, 0);
  EXPECT_TRUE(rec_.messages().empty());
}

TEST_F(FiscalDialog, CloseReleasesTheLibrary) {
  Open();
  EXPECT_EQ(FakeEcf().frees, 0);
  FakeEcf().free_result = 0;
  Command(IDC_BOXECF_CLOSE);
  EXPECT_EQ(FakeEcf().frees, 1);
  EXPECT_EQ(EcfLibrary(), nullptr);
  EXPECT_EQ(rec_.messages(), (std::vector<RecordedMessage>{
                                 {PlatIcon::kError, "Vri", "Erro ao liberar memória da DLL."}}));
}

TEST_F(FiscalDialog, MissingLibraryShowsOneMessageAndEnds) {
  FakeEcf().load_fails = true;
  INT_PTR result =
      DialogBoxParamA(GetModuleHandleA(nullptr), IDD_BOXECF, nullptr, FiscalDialogProc, 0);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(rec_.messages(), (std::vector<RecordedMessage>{
                                 {PlatIcon::kError, "Vri", "Erro ao carregar Bemafi32.dll"}}));
  EXPECT_EQ(FakeEcf().lookups, 0);
  EXPECT_EQ(FakeEcf().frees, 0);
}

}  // namespace

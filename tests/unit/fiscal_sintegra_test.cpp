// The Sintegra job: the request passed to the library, the record order, the
// rewrite and every message on the way, through a fake library.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fiscal/sintegra.h"
#include "platform/trouble.h"
#include "tests/support/fault_drivers.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/fiscal_fake_library.h"
#include "tests/unit/fiscal_test_support.h"
#include "tests/unit/palm_test_support.h"
#include "tests/unit/test_support.h"

namespace {

constexpr PlatIcon E = PlatIcon::kError;
constexpr PlatIcon W = PlatIcon::kWarning;
constexpr PlatIcon I = PlatIcon::kInformation;

const RecordedMessage kSuccess{I, "Vri", "Arquivo Sintegra.txt gerado com sucesso."};

// A record of 126 characters: head, then filler.
std::string Rec(const std::string& head, char fill = ' ') {
  std::string r = head;
  r.resize(126, fill);
  return r;
}
// A type 60 record of a day and a printer.
std::string Rec60(char subtype, const std::string& date, const std::string& serial,
                  const std::string& rest = "") {
  std::string s = serial;
  s.resize(20, ' ');
  return Rec(std::string("60") + subtype + date + s + rest);
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  SortSintegraLines(lines);
  return lines;
}
std::vector<std::string> SortedFast(std::vector<std::string> lines) {
  SortSintegraLinesFast(lines);
  return lines;
}

TEST(SintegraSortKey, TypeSixtyByDayPrinterAndSubtype) {
  struct Row {
    const char* what;
    std::string line;
    std::string key;
  };
  const std::string serial = "BE0910101000112233";  // 18 + 2 blanks of the 20
  const Row rows[] = {
      {"60M orders 0", Rec60('M', "20260302", serial), "6020260302" + serial + "  0"},
      {"60A orders 1", Rec60('A', "20260302", serial), "6020260302" + serial + "  1"},
      {"60D orders 2", Rec60('D', "20260302", serial), "6020260302" + serial + "  2"},
      {"60I orders 3", Rec60('I', "20260302", serial), "6020260302" + serial + "  3"},
      {"60R, another subtype, orders 4", Rec60('R', "20260302", serial),
       "6020260302" + serial + "  4"},
      {"subtype letter of either case", Rec60('m', "20260302", serial),
       "6020260302" + serial + "  0"},
      {"other type: two characters and blanks", Rec("10123"), "10" + std::string(29, ' ')},
      {"type 90", Rec("90123"), "90" + std::string(29, ' ')},
      {"short type 60 line is blank-filled", "60M2026", "602026" + std::string(24, ' ') + "0"},
      {"empty line", "", std::string(31, ' ')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::string key;
    EXPECT_EQ(SintegraSortKey(row.line, key), row.key);
    EXPECT_EQ(key.size(), 31u);
  }
}

TEST(SortSintegraLines, RecordOrder) {
  const std::string a = "BE0910101000112233", b = "BE0910101000119999";
  struct Row {
    const char* what;
    std::vector<std::string> in;
    std::vector<std::string> out;
  };
  const std::vector<Row> rows = {
      {"types ascend, M before A within one day and printer",
       {Rec("90x"), Rec60('A', "20260302", a), Rec("10x"), Rec60('M', "20260302", a),
        Rec("11x")},
       {Rec("10x"), Rec("11x"), Rec60('M', "20260302", a), Rec60('A', "20260302", a),
        Rec("90x")}},
      {"two 60A of one day and printer go by their whole text",
       {Rec60('A', "20260302", a, "1800000000002000"), Rec60('A', "20260302", a, "1800000000001000")},
       {Rec60('A', "20260302", a, "1800000000001000"), Rec60('A', "20260302", a, "1800000000002000")}},
      {"the date comes before the subtype",
       {Rec60('M', "20260305", a), Rec60('I', "20260302", a)},
       {Rec60('I', "20260302", a), Rec60('M', "20260305", a)}},
      {"within a day the printers stand apart, each M A D I",
       {Rec60('I', "20260302", b), Rec60('A', "20260302", a), Rec60('M', "20260302", b),
        Rec60('D', "20260302", a), Rec60('M', "20260302", a), Rec60('X', "20260302", a),
        Rec60('I', "20260302", a)},
       {Rec60('M', "20260302", a), Rec60('A', "20260302", a), Rec60('D', "20260302", a),
        Rec60('I', "20260302", a), Rec60('X', "20260302", a), Rec60('M', "20260302", b),
        Rec60('I', "20260302", b)}},
      {"other types by their whole text, case ignored",
       {Rec("75b2"), Rec("75A1"), Rec("75a3"), Rec("61z")},
       {Rec("61z"), Rec("75A1"), Rec("75a3"), Rec("75b2")}},
      {"blank below digits below letters",
       {Rec("75A"), Rec("759"), Rec("75 ")},
       {Rec("75 "), Rec("759"), Rec("75A")}},
      {"lines equal but for case are all kept, in the order read",
       {Rec("75abc"), Rec("75ABC"), Rec("75Abc")},
       {Rec("75abc"), Rec("75ABC"), Rec("75Abc")}},
      {"identical lines are all kept", {Rec("11x"), Rec("10x"), Rec("11x")},
       {Rec("10x"), Rec("11x"), Rec("11x")}},
      {"accented letters sort above plain letters",
       {Rec("75\xC7"), Rec("75Z")},  // Ç
       {Rec("75Z"), Rec("75\xC7")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Sorted(row.in), row.out);
    EXPECT_EQ(SortedFast(row.in), row.out);
  }
}

// Random files of every shape the library could write (short lines, mixed
// case, other subtypes, accented bytes, long tails that differ late): the
// fast sort orders them as the rule does.
TEST(SortSintegraLines, FastSortAgreesWithTheRule) {
  unsigned state = 12345;
  auto next = [&state](unsigned n) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % n;
  };
  const char* types[] = {"60", "60", "60", "10", "11", "61", "75", "90", "6", "", "6O"};
  // few days and printers, so that keys tie often
  const char* middles[] = {"20260302BE0910101000112233  ", "20260302BE0910101000119999  ",
                           "20260305be0910101000112233  "};
  const char alphabet[] = " 0123456789ABCDabcdMADImadiXx\xE7\xC7-";
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines;
    int count = 1 + (int)next(40);
    for (int i = 0; i < count; ++i) {
      std::string line = types[next(sizeof types / sizeof *types)];
      if (line.size() == 2) {
        line.push_back("MADImadiXR"[next(10)]);
        line += middles[next(3)];
      }
      // tails that differ late, or not at all
      std::size_t length = next(4) == 0 ? next(40) : 100 + next(60);
      if (line.size() > length) line.resize(length);
      while (line.size() < length) {
        line.push_back(next(6) ? '0' : alphabet[next(sizeof alphabet - 1)]);
      }
      lines.push_back(line);
      if (next(5) == 0) lines.push_back(next(2) ? line : line + " ");  // ties
    }
    SCOPED_TRACE(round);
    ASSERT_EQ(SortedFast(lines), Sorted(lines));
  }
}

TEST(NormCep, FieldLogic) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"12345678", "12345-678"},
      {"1234", "12340-000"},       // missing digits are zeros
      {"12345-678", "12345-678"},  // already normal
      {"abc", ""},                 // no digit: empty
      {"", ""},
      {"123456789", "12345-678"},  // the ninth digit is dropped
      {"1-2.3 4", "12340-000"},
      {"abcdefghi1", ""},  // only the first nine characters are read
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    std::string text = row.in;
    EXPECT_EQ(NormCep(text), row.out);
  }
}

TEST(SintegraFieldLimits, EveryField) {
  // month/year, report, folder, name, street, number, complement, district,
  // city, CEP, phone, fax, contact
  const int want[] = {7, 2, 100, 35, 34, 5, 22, 15, 30, 9, 12, 10, 18};
  for (int f = 0; f < 13; ++f) EXPECT_EQ(SintegraLimitOf((SintegraField)f), want[f]) << f;
}

class SintegraJob : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.EnterProductFolder();
    ASSERT_EQ(LoadEcfLibrary(nullptr, kEcfLibraryName), 1);
    FakeEcf().file_bytes = Join(library_lines_);
    request_.name += "  ";  // typed with trailing blanks, which pass as typed
  }
  std::string File() { return ReadFileBytes(kSintegraPath); }

  const std::vector<std::string> library_lines_ = {
      Rec("90x"), Rec60('A', "20260302", "S1"), Rec("10x"), Rec60('M', "20260302", "S1"),
      Rec("11x")};
  const std::string sorted_ = Join({Rec("10x"), Rec("11x"), Rec60('M', "20260302", "S1"),
                                    Rec60('A', "20260302", "S1"), Rec("90x")});
  TempRoot root_;
  FakeEcfLibrary fake_;
  MessageRecorder rec_;
  SintegraRequest request_ = ShopRequest();
};

TEST_F(SintegraJob, VersionOnStartUp) {
  std::string version;
  EXPECT_EQ(SintegraVersion(nullptr, version), 1);
  EXPECT_EQ(version, "7.1.0 Fake");
  EXPECT_TRUE(rec_.messages().empty());

  FakeEcf().version_code = -6;
  EXPECT_EQ(SintegraVersion(nullptr, version), 0);
  EXPECT_EQ(version, "");
  EXPECT_EQ(rec_.messages(),
            (std::vector<RecordedMessage>{
                {E, "ECF-Trata",
                 "VersaoDll\n\n-6 Impressora desligada ou cabo de comunicação desconectado."}}));

  rec_.Clear();
  FakeEcf().missing.insert(kEcfVersionName);
  EXPECT_EQ(SintegraVersion(nullptr, version), 0);
  EXPECT_EQ(rec_.messages(),
            (std::vector<RecordedMessage>{
                {E, "LoadFuncDll", "Erro ao carregar a função Bematech_FI_VersaoDll."}}));
}

TEST_F(SintegraJob, VersionFillingTheWholeBufferStaysEnded) {
  FakeEcf().version = std::string(300, 'v');
  std::string version;
  EXPECT_EQ(SintegraVersion(nullptr, version), 1);
  EXPECT_EQ(version, std::string(199, 'v'));
}

TEST_F(SintegraJob, PassesTheFourteenValuesAndRewritesSorted) {
  request_.report = "41";
  ASSERT_EQ(SintegraGenerate(nullptr, request_), 1);
  EXPECT_EQ(FakeEcf().sintegra_report, 41);
  const std::vector<std::string> want = {
      PlatNativePath(kSintegraPath), "03", "2026", "Mercado Sol  ", "Rua das Flores", "12",
      "sala 2", "Centro", "Campinas", "12340000", "1932323232", "1932320000", "Ana"};
  EXPECT_EQ(FakeEcf().sintegra_texts, want);
  EXPECT_EQ(File(), sorted_);
  EXPECT_EQ(rec_.messages(), std::vector<RecordedMessage>{kSuccess});
  EXPECT_FALSE(FileExistsNative(std::string(kSintegraPath) + ".tmp"));
}

TEST_F(SintegraJob, RequestValues) {
  struct Row {
    const char* what;
    void (*edit)(SintegraRequest&);
    int index;  // into the texts the library saw
    std::string want;
  };
  const Row rows[] = {
      {"CEP typed in full", [](SintegraRequest& r) { r.cep = "12345-678"; }, 9, "12345678"},
      {"CEP empty is eight blanks", [](SintegraRequest& r) { r.cep = ""; }, 9, "        "},
      {"CEP short is blank-filled", [](SintegraRequest& r) { r.cep = "123"; }, 9, "123     "},
      {"a month of 13 passes", [](SintegraRequest& r) { r.month_year = "13/2026"; }, 1, "13"},
      {"the year", [](SintegraRequest& r) { r.month_year = "12/1999"; }, 2, "1999"},
      {"texts are cut to their field", [](SintegraRequest& r) { r.number = "1234567"; }, 5,
       "12345"},
      {"the month/year is cut to its field", [](SintegraRequest& r) { r.month_year = "12/19995"; },
       2, "1999"},
      {"texts keep their blanks", [](SintegraRequest& r) { r.contact = " Ana "; }, 12, " Ana "},
      {"a name of 35 characters passes whole",
       [](SintegraRequest& r) { r.name = std::string(35, 'N'); }, 3, std::string(35, 'N')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SintegraRequest r = request_;
    row.edit(r);
    ASSERT_EQ(SintegraGenerate(nullptr, r), 1);
    ASSERT_EQ(FakeEcf().sintegra_texts.size(), 13u);
    EXPECT_EQ(FakeEcf().sintegra_texts[row.index], row.want);
  }
  // the report selection is ToInt of its field
  request_.report = "x";
  ASSERT_EQ(SintegraGenerate(nullptr, request_), 1);
  EXPECT_EQ(FakeEcf().sintegra_report, 0);
  request_.report = "391";  // cut to its two characters
  ASSERT_EQ(SintegraGenerate(nullptr, request_), 1);
  EXPECT_EQ(FakeEcf().sintegra_report, 39);
}

TEST_F(SintegraJob, MonthMissingStopsBeforeTheLibrary) {
  request_.month_year = "";
  EXPECT_EQ(SintegraGenerate(nullptr, request_), 0);
  EXPECT_EQ(rec_.messages(),
            (std::vector<RecordedMessage>{{E, "Vri", "É obrigatório informar o mês/ano."}}));
  EXPECT_EQ(FakeEcf().sintegra_calls, 0);
  EXPECT_FALSE(FileExistsNative("C:\\Kmar\\Arquivos"));
}

TEST_F(SintegraJob, LibraryOutcomes) {
  struct Row {
    const char* what;
    int code;
    int st1;
    bool missing;
    std::vector<RecordedMessage> messages;
    int result;
  };
  const std::vector<Row> rows = {
      {"-27 with low paper only: warning, then the sort and success", -27, 0x40, false,
       {{W, "Retorno Impressora", "RelatorioSintegraMFD\n\nST1-6 Pouco papel (aviso)."},
        kSuccess},
       1},
      {"-27 with a clean status", -27, 0, false, {kSuccess}, 1},
      {"-27 with paper out", -27, 0x80, false,
       {{E, "Retorno Impressora", "RelatorioSintegraMFD\n\nST1-7 Fim de papel."}}, 0},
      {"failing code", -2, 0, false,
       {{E, "ECF-Trata", "RelatorioSintegraMFD\n\n-2 Parâmetro inválido na função."}}, 0},
      {"function missing", 1, 0, true,
       {{E, "LoadFuncDll", "Erro ao carregar a função Bematech_FI_RelatorioSintegraMFD."}}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    rec_.Clear();
    FakeEcf().sintegra_code = row.code;
    FakeEcf().st1 = row.st1;
    FakeEcf().missing.clear();
    if (row.missing) FakeEcf().missing.insert(kEcfSintegraName);
    // a failure puts the previous report back; a success removes it
    std::filesystem::create_directories(root_.dir() / "Kmar" / "Arquivos");
    WriteFileBytes(kSintegraPath, "previous\r\n");
    EXPECT_EQ(SintegraGenerate(nullptr, request_), row.result);
    EXPECT_EQ(rec_.messages(), row.messages);
    EXPECT_EQ(File(), row.result ? sorted_ : "previous\r\n");
    EXPECT_FALSE(FileExistsNative(kSintegraPreviousPath));
  }
}

TEST_F(SintegraJob, NothingToReadBackIsAFailure) {
  struct Row {
    const char* what;
    bool write;
    std::string bytes;
    std::string text;
  };
  const Row rows[] = {
      {"no file at all", false, "",
       "Não foi possível ler o arquivo " + PlatShownPath(kSintegraPath) + "."},
      {"an empty file", true, "",
       "O arquivo " + PlatShownPath(kSintegraPath) + " está vazio: nenhum registro foi gravado."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    rec_.Clear();
    std::filesystem::remove(PlatNativePath(kSintegraPath));
    FakeEcf().write_file = row.write;
    FakeEcf().file_bytes = row.bytes;
    EXPECT_EQ(SintegraGenerate(nullptr, request_), 0);
    EXPECT_EQ(rec_.messages(), (std::vector<RecordedMessage>{{E, "Vri", row.text}}));
    // with no previous report, no report at all (never the library's empty file)
    EXPECT_FALSE(FileExistsNative(kSintegraPath));
  }
}

TEST_F(SintegraJob, FoldersAreMadeAndExistingOnesAreNoError) {
  ASSERT_FALSE(FileExistsNative("C:\\Kmar\\Arquivos"));
  ASSERT_EQ(SintegraGenerate(nullptr, request_), 1);
  ASSERT_EQ(SintegraGenerate(nullptr, request_), 1);
  EXPECT_EQ(rec_.messages(), (std::vector<RecordedMessage>{kSuccess, kSuccess}));
  EXPECT_EQ(File(), sorted_);
}

TEST_F(SintegraJob, LongLinesStayWholeAndLineEndsBecomeCrLf) {
  // a line longer than any fixed read, LF-only line ends, a last line
  // without its line end
  std::string long90 = "90" + std::string(300, 'L');
  std::filesystem::create_directories(root_.dir() / "Kmar" / "Arquivos");
  WriteFileBytes(kSintegraPath, long90 + "\n" + Rec("11x") + "\r\n" + Rec("10x"));
  ASSERT_EQ(SortSintegraFile(nullptr, kSintegraPath), 1);
  EXPECT_EQ(File(), Rec("10x") + "\r\n" + Rec("11x") + "\r\n" + long90 + "\r\n");
  EXPECT_TRUE(rec_.messages().empty());
}

// Every open, write, sync and rename of the rewrite failing in turn: the run
// either succeeds, or shows its message and leaves the library's file whole,
// no temporary file and no open handle behind.
TEST_F(SintegraJob, RewriteFaultsLeaveTheLibrarysFileWhole) {
  // large enough for the sorted file to take several writes
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) lines.push_back(Rec("75" + std::to_string(99999 - i)));
  const std::string original = Join(lines);
  std::filesystem::create_directories(root_.dir() / "Kmar" / "Arquivos");
  const std::string temporary = std::string(kSintegraPath) + ".tmp";
  FaultSweep(
      {{.op = FaultOp::kOpen, .limit = 50}, {.op = FaultOp::kWrite, .limit = 50},
       {.op = FaultOp::kSync, .limit = 50}, {.op = FaultOp::kRename, .limit = 50}},
      [&] { WriteFileBytes(kSintegraPath, original); },
      [&] { return SortSintegraFile(nullptr, kSintegraPath); },
      [&](const FaultRun& run) {
        EXPECT_FALSE(FileExistsNative(temporary));
        if (!run.fired) {
          EXPECT_EQ(run.result, 1);
          EXPECT_TRUE(run.messages.empty());
          EXPECT_NE(File(), original);
          EXPECT_EQ(File().size(), original.size());
          return;
        }
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(File(), original);
        ASSERT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(run.messages[0].caption, "Vri");
        EXPECT_EQ(run.messages[0].icon, E);
        const std::string text = run.n == 1 && run.plan.op == FaultOp::kOpen
                                     ? "Não foi possível ler o arquivo " + PlatShownPath(kSintegraPath) + "."
                                     : "Não foi possível gravar os registros ordenados no arquivo " +
                                       PlatShownPath(kSintegraPath) + ". O arquivo ficou como estava.";
        EXPECT_EQ(run.messages[0].text, text);
      });
}

// Through the generation, a rewrite that cannot be done shows its error in
// place of the success message, and the library's unsorted file does not
// stay as the report.
TEST_F(SintegraJob, GenerationReportsAFailedRewrite) {
  FaultInjector faults;
  faults.FailAt(FaultOp::kRename, 1);
  EXPECT_EQ(SintegraGenerate(nullptr, request_), 0);
  EXPECT_EQ(faults.Fired(), 1);
  ASSERT_EQ(rec_.messages().size(), 1u);
  EXPECT_EQ(rec_.messages()[0].text,
            "Não foi possível gravar os registros ordenados no arquivo " +
            PlatShownPath(kSintegraPath) + ". Nenhum arquivo foi gravado.");
  EXPECT_FALSE(FileExistsNative(kSintegraPath));
}

// The previous report is kept until the new one is whole. Every library
// outcome and every file operation failing in turn, once and from then on:
// afterwards (once the next start has put back what waits aside) the report
// is the previous one or the new sorted one, never the library's torn or
// unsorted file, and nothing else is left in the folder.
class SintegraPrevious : public SintegraJob {
 protected:
  void SetUp() override {
    SintegraJob::SetUp();
    std::vector<std::string> lines;  // large enough for several writes
    for (int i = 0; i < 3000; ++i) lines.push_back(Rec("75" + std::to_string(99999 - i)));
    FakeEcf().file_bytes = Join(lines);
    SortSintegraLines(lines);
    fresh_ = Join(lines);
    std::filesystem::create_directories(root_.dir() / "Kmar" / "Arquivos");
  }
  void PutPrevious() {
    std::filesystem::remove(PlatNativePath(kSintegraPreviousPath));
    WriteFileBytes(kSintegraPath, previous_);
  }
  // What the folder holds once the next start has run.
  std::string Settled() {
    EXPECT_EQ(RestorePreviousSintegra(nullptr), 1);
    EXPECT_FALSE(FileExistsNative(kSintegraPreviousPath));
    EXPECT_FALSE(FileExistsNative(std::string(kSintegraPath) + ".tmp"));
    return File();
  }
  const std::string previous_ = Join({Rec("10 previous month"), Rec("90 previous month")});
  std::string fresh_;
};

TEST_F(SintegraPrevious, LibraryOutcomesKeepThePreviousReport) {
  struct Row {
    const char* what;
    int code;
    long torn_at;
    bool write;
    int result;
  };
  const Row rows[] = {
      {"whole file and success", 1, -1, true, 1},
      {"torn file and a failing code", -6, 8190, true, 0},
      {"torn file and success: the sort takes what is there", 1, 8190, true, 1},
      {"success without writing", 1, -1, false, 0},
      {"empty file and success", 1, 0, true, 0},
      {"failing code, nothing written", -2, -1, true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PutPrevious();
    rec_.Clear();
    FakeEcf().sintegra_code = row.code;
    FakeEcf().torn_at = row.torn_at;
    FakeEcf().write_file = row.write;
    EXPECT_EQ(SintegraGenerate(nullptr, request_), row.result);
    EXPECT_EQ(rec_.messages().back().icon, row.result ? I : E);
    if (row.result) {
      std::vector<std::string> kept = FileLines(kSintegraPath);
      EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
      if (row.torn_at < 0) {
        EXPECT_EQ(File(), fresh_);
      }
    } else {
      EXPECT_EQ(File(), previous_);
    }
    EXPECT_FALSE(FileExistsNative(kSintegraPreviousPath));
  }
}

TEST_F(SintegraPrevious, EveryFailureLeavesThePreviousOrTheNewReport) {
  int kept = 0;
  const FaultCounts counts = FaultSweep(
      OnceAndFromThenOn({FaultOp::kOpen, FaultOp::kRead, FaultOp::kWrite, FaultOp::kSync, FaultOp::kRename,
                         FaultOp::kRemove},
                        60),
      [&] { PutPrevious(); }, [&] { return SintegraGenerate(nullptr, request_); },
      [&](const FaultRun& run) {
        ASSERT_FALSE(run.messages.empty());
        if (run.result == 1) {
          EXPECT_EQ(run.messages.back(), kSuccess);
          if (run.messages.size() == 1) {
            EXPECT_EQ(File(), fresh_);
          }
        } else {
          EXPECT_EQ(run.messages[0].icon, E);
          EXPECT_NE(File(), FakeEcf().file_bytes);  // never the unsorted file
        }
        std::string settled = Settled();
        EXPECT_TRUE(settled == previous_ || settled == fresh_);
        kept += settled == previous_;
      });
  EXPECT_GT(counts.failures, 10);
  EXPECT_GT(kept, 10);
  EXPECT_GT(counts.runs, counts.failures);
}

#ifndef _WIN32
// The program ended at each file operation of a generation in turn: the
// next start finds the previous report or the new sorted one.
TEST_F(SintegraPrevious, EndedAtAnyOperationThePreviousOrTheNewReport) {
  int kept = 0, fresh = 0;
  const CrashCounts counts = CrashSweep(
      {}, [&] { PutPrevious(); }, [&] { SintegraGenerate(nullptr, request_); },
      [&](long long, bool) {
        std::string settled = Settled();
        EXPECT_TRUE(settled == previous_ || settled == fresh_);
        kept += settled == previous_;
        fresh += settled == fresh_;
      });
  EXPECT_GT(counts.ended, 5);
  EXPECT_LT(counts.runs, 500);
  EXPECT_GT(kept, 0);
  EXPECT_GT(fresh, 0);
}
#endif

}  // namespace

// The Sintegra job against the built printer library stand-in, loaded through
// the real platform layer: each reply rehearsed through its Bemafi32.ini gives
// the job's message sequence; and vri-batch sintegra / sintegra-sort with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fiscal/ecf_binding.h"
#include "fiscal/sintegra.h"
#include "platform/trouble.h"
#include "fiscal/sintegra_check.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/fiscal_test_support.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr PlatIcon E = PlatIcon::kError;
constexpr PlatIcon W = PlatIcon::kWarning;
constexpr PlatIcon I = PlatIcon::kInformation;
const RecordedMessage kSuccess{I, "Vri", "Arquivo Sintegra.txt gerado com sucesso."};

// The build's bin folder as this program sees it (through drive Z: under Wine).
fs::path BinFolder() {
#if defined(_WIN32)
  std::string path = std::string("Z:") + VRI_BIN_DIR;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
#else
  return VRI_BIN_DIR;
#endif
}

fs::path StandInBuilt() {
#if defined(_WIN32)
  return BinFolder() / "stand-in" / "Bemafi32.dll";
#else
  return BinFolder() / "libbemafi32.so";
#endif
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    out.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

class StandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.EnterProductFolder();
    folder_ = root_.dir() / "printer";
    fs::create_directories(folder_);
    library_ = folder_ / StandInBuilt().filename();
    ASSERT_TRUE(fs::exists(StandInBuilt())) << StandInBuilt();
    fs::copy_file(StandInBuilt(), library_);
  }
  void TearDown() override { ReleaseEcfLibrary(nullptr); }
  void Ini(const std::string& body) {
    std::ofstream out(folder_ / "Bemafi32.ini", std::ios::binary | std::ios::trunc);
    out << "[Simulador]\r\n" << body;
  }
  std::string Log() {
    std::ifstream in(folder_ / "Bemafi32.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The copy by the name the core uses (below drive C:, the test's root).
  std::string LibraryName() { return root_.Path("printer\\" + library_.filename().string()); }

  TempRoot root_;
  fs::path folder_;
  fs::path library_;
};

TEST_F(StandIn, EveryReplyRehearsed) {
  MessageRecorder rec;
  ASSERT_EQ(LoadEcfLibrary(nullptr, LibraryName()), 1);
  SintegraRequest request = ShopRequest();
  request.month_year = "02/2028";
  const RecordedMessage kRehearsal{
      W, "Vri",
      "O Sintegra.txt gerado agora é de um ensaio: a biblioteca da impressora é o simulador. "
      "Não entregue este arquivo."};
  struct Row {
    const char* what;
    const char* ini;
    std::vector<RecordedMessage> messages;
  };
  const std::vector<Row> rows = {
      // the stand-in says it is the rehearsal library, whatever its version
      {"no settings: success", "", {kSuccess, kRehearsal}},
      {"-27 and low paper", "RelatorioSintegraMFD=-27\r\nST1=64\r\n",
       {{W, "Retorno Impressora", "RelatorioSintegraMFD\n\nST1-6 Pouco papel (aviso)."},
        kSuccess, kRehearsal}},
      {"-27 and a wrong ACK", "RelatorioSintegraMFD=-27\r\nACK=21\r\nST2=3\r\n",
       {{E, "Retorno Impressora", "RelatorioSintegraMFD\n\nACK Recebimento incorreto: 21, 0, 3."}}},
      {"-27 and no status", "RelatorioSintegraMFD=-27\r\nRetornoImpressora=0\r\n",
       {{E, "Retorno Impressora", "RelatorioSintegraMFD\n\nErro na função RetornoImpressora."}}},
      {"printer off", "RelatorioSintegraMFD=-6\r\n",
       {{E, "ECF-Trata",
         "RelatorioSintegraMFD\n\n-6 Impressora desligada ou cabo de comunicação desconectado."}}},
      {"success but no file", "Arquivo=nada\r\n",
       {{E, "Vri", "Não foi possível ler o arquivo " + PlatShownPath(kSintegraPath) + "."}}},
      {"success but an empty file", "Arquivo=vazio\r\n",
       {{E, "Vri",
         "O arquivo " + PlatShownPath(kSintegraPath) + " está vazio: nenhum registro foi gravado."}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::error_code ec;
    fs::remove(PlatNativePath(kSintegraPath), ec);
    Ini(row.ini);
    rec.Clear();
    SintegraGenerate(nullptr, request);
    EXPECT_EQ(rec.messages(), row.messages);
  }
  EXPECT_NE(Log().find("|02|2028|Mercado Sol|Rua das Flores|12|sala 2|Centro|Campinas|12340000|"
                       "1932323232|1932320000|Ana\r\n"),
            std::string::npos)
      << Log();
}

TEST_F(StandIn, VersionAndTheFileItWrites) {
  MessageRecorder rec;
  Ini("Versao=9.9 Teste\r\nDias=4,1\r\n");
  ASSERT_EQ(LoadEcfLibrary(nullptr, LibraryName()), 1);
  std::string version;
  EXPECT_EQ(SintegraVersion(nullptr, version), 1);
  EXPECT_EQ(version, "9.9 Teste");
  Ini("VersaoDll=-5\r\n");
  EXPECT_EQ(SintegraVersion(nullptr, version), 0);
  EXPECT_EQ(rec.messages(),
            (std::vector<RecordedMessage>{
                {E, "ECF-Trata", "VersaoDll\n\n-5 Erro ao abrir a porta de comunicação."}}));

  Ini("Dias=4,1\r\n");
  SintegraRequest request;
  request.month_year = "02/2028";
  rec.Clear();
  ASSERT_EQ(SintegraGenerate(nullptr, request), 1);
  std::vector<std::string> lines = Lines(ReadFileBytes(kSintegraPath));
  ASSERT_GT(lines.size(), 20u);
  for (const std::string& l : lines) EXPECT_EQ(l.size(), 126u) << l;
  EXPECT_EQ(lines.front().substr(0, 2), "10");
  // a leap February
  EXPECT_EQ(ReadSintegraField(lines.front(), SintegraFieldNamed("10", "data inicial")), "20280201");
  EXPECT_EQ(ReadSintegraField(lines.front(), SintegraFieldNamed("10", "data final")), "20280229");
  EXPECT_EQ(lines[1].substr(0, 2), "11");
  EXPECT_EQ(lines.back().substr(0, 2), "90");
  // day 1 before day 4, each printer's records together, M first
  EXPECT_EQ(lines[2].substr(0, 11), "60M20280201");
  std::vector<std::string> again = lines;
  SortSintegraLines(again);
  EXPECT_EQ(again, lines);
}

// The stand-in's files are sound by the checker, with no warning, for any
// month: leap Februaries, months of 30 and 31 days, every day of a month.
TEST_F(StandIn, FilesPassTheChecker) {
  MessageRecorder rec;
  ASSERT_EQ(LoadEcfLibrary(nullptr, LibraryName()), 1);
  SintegraRequest request = ShopRequest();
  const struct {
    const char* month;
    const char* days;
  } rows[] = {{"01/2026", "2,3,5,9,16"}, {"02/2028", "1,28"}, {"02/2027", "4"},
              {"04/2026", "30"},         {"12/1999", "31"},  {"06/2026", ""},
              {"03/2026", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.month);
    Ini(std::string("Dias=") + row.days + "\r\n");
    request.month_year = row.month;
    rec.Clear();
    ASSERT_EQ(SintegraGenerate(nullptr, request), 1);
    std::vector<SintegraFault> faults;
    ASSERT_EQ(CheckSintegraFile(kSintegraPath, faults), 1);
    for (const SintegraFault& f : faults) ADD_FAILURE() << f.code << " " << f.text;
  }
}

#if !defined(_WIN32)
// vri-batch with the stand-in: exit 0 on the success message, 1 after a
// failure, 2 for a usage error, which touches nothing.
TEST_F(StandIn, BatchCommands) {
  const std::string root = root_.dir().string();
  BatchRun last;
  auto run = [&](const std::string& args) {
    last = RunBatch(root_.dir(), "--root '" + root + "' " + args);
    return last.status;
  };
  const std::string lib = " --library '" + library_.string() + "'";
  const std::string file = PlatNativePath(kSintegraPath);
  struct Row {
    const char* what;
    std::string ini;
    std::string args;
    int status;
    bool file_made;
  };
  const std::vector<Row> rows = {
      {"usage: no month", "", "sintegra" + lib, 2, false},
      {"usage: CEP longer than its field", "", "sintegra --month 03/2026 --cep 1234567890" + lib,
       2, false},
      {"usage: unknown option", "", "sintegra --month 03/2026 --cor azul" + lib, 2, false},
      {"usage: a value missing", "", "sintegra" + lib + " --month", 2, false},
      {"a month that is no month", "", "sintegra --month 14/2026" + lib, 1, false},
      {"library missing", "", "sintegra --month 03/2026 --library '" + root + "/none.so'", 1,
       false},
      {"printer off", "RelatorioSintegraMFD=0\r\n", "sintegra --month 03/2026" + lib, 1, false},
      // an error on the way is exit 1 for a scheduler, though the job went on
      {"version call fails", "VersaoDll=0\r\n", "sintegra --month 03/2026" + lib, 1, true},
      {"generated", "", "sintegra --month 3/2026 --cep 1234" + lib, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::error_code ec;
    fs::remove_all(root_.dir() / "Kmar" / "Arquivos", ec);
    Ini(row.ini);
    EXPECT_EQ(run(row.args), row.status) << last.err;
    EXPECT_EQ(fs::exists(file), row.file_made);
  }
  EXPECT_NE(Log().find("|03|2026|||||||12340000|||"), std::string::npos);
  EXPECT_NE(last.out.find("4.0.0 Simulador"), std::string::npos);
  EXPECT_NE(last.err.find("de um ensaio"), std::string::npos) << last.err;

  // a rehearsal over the shop's real report: the real bytes stay aside
  // through any number of rehearsals and come back at the next start
  const std::string real = "10real shop report\r\n90real\r\n";
  const std::string aside = PlatNativePath(kSintegraPreviousPath);
  WriteFileBytes(kSintegraPath, real);
  for (int rehearsal = 1; rehearsal <= 2; ++rehearsal) {
    // the second time with a version that does not say "Simulador"
    Ini(rehearsal == 2 ? "Versao=01.00.02\r\n" : "");
    EXPECT_EQ(run("sintegra --month 03/2026" + lib), 0) << last.err;
    EXPECT_EQ(ReadFileBytes(kSintegraPreviousPath), real);
    EXPECT_NE(ReadFileBytes(kSintegraPath), real);
    EXPECT_NE(last.err.find("O arquivo anterior foi guardado como " + PlatShownPath(kSintegraPreviousPath)),
              std::string::npos)
        << last.err;
  }
  EXPECT_EQ(RestorePreviousSintegra(nullptr), 1);
  EXPECT_EQ(ReadFileBytes(kSintegraPath), real);

  // sintegra-sort: a scrambled file in place
  WriteFileBytes(kSintegraPath, "90x\r\n10x\r\n");
  EXPECT_EQ(run("sintegra-sort '" + file + "'"), 0);
  EXPECT_EQ(ReadFileBytes(kSintegraPath), "10x\r\n90x\r\n");
  EXPECT_EQ(run("sintegra-sort '" + root + "/none.txt'"), 1);
  EXPECT_EQ(run("sintegra-sort"), 2);

  // sintegra-check and sintegra --check: 0 with no error, 1 with one (the
  // file stays), 2 when the file cannot be read; JSON lines carry line and code
  Ini("");
  const std::string whole = " --name 'Mercado Sol' --street 'Rua A' --number 12 --city Campinas";
  EXPECT_EQ(run("sintegra --month 03/2026 --check" + whole + lib), 0) << last.err;
  EXPECT_EQ(run("sintegra-check '" + file + "'"), 0);
  EXPECT_NE(last.out.find("0 erro(s), 0 aviso(s)"), std::string::npos);
  EXPECT_EQ(run("sintegra --month 03/2026 --check" + lib), 1);
  EXPECT_TRUE(fs::exists(file));
  const std::string json = last.json;
  // (the JSON is UTF-8: only its plain ASCII parts are looked for)
  EXPECT_NE(json.find("\"text\": \"Linha 1: campo nome do contribuinte do registro 10 em branco; "),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("rio.\", \"line\": 1, \"code\": \"S35\"}"), std::string::npos);
  EXPECT_NE(json.find("foi gerado, mas a verifica"), std::string::npos);
  EXPECT_EQ(run("sintegra-check '" + file + "'"), 1);
  EXPECT_EQ(run("sintegra-check '" + root + "/none.txt'"), 2);
  EXPECT_EQ(run("sintegra-check"), 2);
}
#endif

}  // namespace

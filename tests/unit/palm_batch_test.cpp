// vri-batch palm-export and palm-import: exit statuses, the exchange folder
// and --folder (relative to the start folder), the outcome messages.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/unit/palm_test_support.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(PalmBatch, ExportAndImportExitStatuses) {
  PalmFolders folders;
  const fs::path root = folders.root().dir();
  // A product folder needs its company master for start-up.
  WriteFileBytes(folders.ProductFile("F00R0.DAT"), MasterRecordBytes(kCompanyWidths, {{0, "00001"}}));
  WriteFileBytes(folders.ProductFile("C11.DAT"), Left("0", 10));
  folders.WriteMaster(folders.CompanyFile("F08R0.DAT"),
                      {MasterRecordBytes(kSellerWidths, {{0, "00007"}, {1, "Ana"}, {2, "0"}})});
  folders.WriteMaster(folders.CompanyFile("F15R1.DAT"),
                      {MasterRecordBytes(kProductWidths, {{0, "P1"}, {1, "Um"}, {34, "1,00"}})});
  fs::create_directories(root / "work" / "saida");
  const std::string r = "--root '" + root.string() + "' ";

  struct Row {
    const char* comment;
    std::string arguments;
    int status;
    const char* message;  // part of the JSON line, or "" for none
    const char* out = "";  // part of standard output
  } rows[] = {
      // each table's lines counted, and the customers the handheld lacks told
      {"default folder C:\\Palm", r + "palm-export", 0, "O cadastro de clientes ",
       "  Produto.txt: 1 linha(s)\n  TabPreco_Produto.txt: 1 linha(s)\n  Estoque.txt: 1 linha(s)"},
      {"relative --folder", r + "palm-export --folder saida", 0, "Arquivo Palm gerado."},
      {"missing folder", r + "palm-export --folder nada", 1, "Erro ao abrir arquivo Palm."},
      {"usage error", r + "palm-export --folder", 2, "\"icon\": \"error\""},
      {"no order files: nothing to do", r + "palm-import", 3, ""},
      {"import usage error", r + "palm-import --bogus", 2, "\"icon\": \"error\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    BatchRun run = RunBatch(root / "work", row.arguments);
    EXPECT_EQ(run.status, row.status);
    EXPECT_NE(run.out.find(row.out), std::string::npos) << run.out;
    // a log a scheduled task can be judged by: every line says when and for
    // which company, and the last one how the run ended
    std::size_t lines = 0;
    for (char c : run.log) lines += c == '\n';
    std::size_t timed = 0;
    for (std::size_t at = 0; (at = run.log.find(", \"time\": \"20", at)) != std::string::npos; ++at)
      ++timed;
    EXPECT_EQ(timed, lines) << run.log;
    EXPECT_NE(run.log.find("\"exit\": " + std::to_string(row.status) + ", \"time\": "),
              std::string::npos)
        << run.log;
    EXPECT_EQ(run.log.find("\"company\": \"00001\"}\n") == std::string::npos, row.status == 2)
        << run.log;
    if (*row.message) {
      EXPECT_NE(run.json.find(row.message), std::string::npos) << run.json;
    } else {
      EXPECT_EQ(run.json, "");
    }
  }
  std::vector<std::string> stock = FileLines(folders.ExchangeFile("Estoque.txt"));
  ASSERT_EQ(stock.size(), 1u);
  EXPECT_EQ(stock[0].substr(0, 16), Left("00007", 14) + "P1");
  EXPECT_EQ(ReadFileBytes(folders.ExchangeFile("Estoque.txt")),
            ReadFileBytes((root / "work" / "saida" / "Estoque.txt").string()));
  EXPECT_FALSE(fs::exists(root / "work" / "nada"));
}

// palm-import and its rehearsal: the exit a scheduler can trust, refused
// items labelled with their order, line and product, and --check leaving
// every file of the root as it was.
TEST(PalmBatch, ImportOutcomesAndTheRehearsal) {
  PalmFolders folders;
  const fs::path root = folders.root().dir();
  WriteFileBytes(folders.ProductFile("F00R0.DAT"), MasterRecordBytes(kCompanyWidths, {{0, "00001"}}));
  folders.WriteMaster(folders.CompanyFile("F15R1.DAT"),
                      {MasterRecordBytes(kProductWidths, {{0, "P1"}, {1, "Um"}, {34, "1,00"}})});
  fs::create_directories(root / "work");
  const std::string r = "--root '" + root.string() + "' palm-import";
  const std::string a = Left("A", 24), item = Left("", 4) + "00001000" + Left("", 32) + "00001000";
  const std::string whole = a + "0\r\n", one = a + Left("P1", 10) + item + "\r\n",
                    unknown = a + Left("NAOEXISTE", 10) + item + "\r\n";
  const struct Row {
    const char* comment;
    std::string arguments, headers, items;
    int status;
    const char* json;  // part of the JSON lines
    bool unchanged;    // every file of the root as it was
    bool counter_blocked = false;
  } rows[] = {
      {"rehearsal, all whole", r + " --check", whole, one, 0, "importados; 0 itens seriam recusados.", true},
      {"rehearsal, a refusal", r + " --check", whole, one + unknown, 1,
       "\"order\": \"A\", \"item\": 2, \"product\": \"NAOEXISTE\"", true},
      {"rehearsal, no orders", r + " --check", "", one, 3, "", true},
      {"import, a refusal", r, whole, one + unknown, 1,
       "item 2 de Itens.txt, produto NAOEXISTE: produto n\xC3\xA3o encontrado no cadastro ", false},
      {"import, orders left pending", r, whole, one, 1, "\"icon\": \"warning\"", false, true},
      {"import, all whole", r, whole, one, 0, "\"text\": \"Arquivo Palm importado com 1 or", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    WriteFileBytes(folders.ExchangeFile("Cabecalho.txt"), row.headers);
    WriteFileBytes(folders.ExchangeFile("Itens.txt"), row.items);
    if (row.counter_blocked) fs::create_directories(root / "Kmar" / "Vri" / "F34.DAT");
    const auto before = FileTree(root / "Kmar");
    const auto palm = FileTree(root / "Palm");
    BatchRun run = RunBatch(root / "work", row.arguments);
    fs::remove_all(root / "Kmar" / "Vri" / "F34.DAT");
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_NE(run.json.find(row.json), std::string::npos) << run.json;
    EXPECT_EQ(FileTree(root / "Kmar") == before && FileTree(root / "Palm") == palm, row.unchanged);
  }
  EXPECT_FALSE(FileTree(root / "Palm" / "Vri-importados").empty());
}

}  // namespace

#endif

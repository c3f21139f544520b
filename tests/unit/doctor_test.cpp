// vri-batch doctor on the sample company: one fault laid in a copy of it per
// row, found with its code, and nothing written.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Lay(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// Every file below root with its bytes.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && e.path().filename() != "messages.json" &&
        e.path().filename() != "stdout.txt" && e.path().filename() != "stderr.txt")
      files[e.path().string()] = Slurp(e.path());
  return files;
}

TEST(Doctor, EachFaultFoundWithItsCodeAndNothingWritten) {
  TempRoot base;
  const fs::path sample = base.dir() / "sample";
  const std::string bin = VRI_BIN_DIR;
  ASSERT_EQ(std::system(("'" + bin + "/vri-sample' --root '" + sample.string() +
                         "' --orders 3 >/dev/null")
                            .c_str()),
            0);
  // a sound folder: the sample after an export and an import
  const std::string sample_root = "--root '" + sample.string() + "' ";
  ASSERT_EQ(RunBatch(base.dir(), sample_root + "palm-export").status, 0);
  ASSERT_EQ(RunBatch(base.dir(), sample_root + "palm-import").status, 0);
  const std::string not_a_library = (base.dir() / "Bemafi32.so").string();
  Lay(not_a_library, "not a library");
  const std::string company = "Kmar/Vri/R00/00001/";
  struct Row {
    const char* code;  // "" for the sound folder
    const char* icon;
    std::string lay;    // file below the root to write ("" for none)
    std::string bytes;  // what it holds; "-5" cuts 5 bytes off its end
    std::string more;   // more arguments
    const char* says = "";  // a piece of the finding's text
  } rows[] = {
      {"", "", "", "", ""},
      {"D01", "error", "Kmar/Vri/F02R1.DAT", "-5", ""},
      {"D02", "error", "Kmar/Vri/F34.DAT", "00001     0999      abc       ", ""},
      // the quotes' counter behind the three quotes the sample's import made
      {"D02", "error", "Kmar/Vri/F34.DAT", "00001     54101     1         ", ""},
      {"D03", "warning", company + "VriDocumentos.jnl", "B|um pedido\r\n", ""},
      {"D04", "warning", "Palm/~Cliente.99999.tmp", "old run", ""},
      // a line of blanks and tabs is no order, as the import reads it
      {"D05", "warning", "Palm/Cabecalho.txt", "1\r\n \t\r\n2\r\n", "", "D05: 2 pedido(s) esperando"},
      {"D06", "error", "Palm/VriExport.jnl", "99999 aside\r\n", ""},
      {"D07", "error", "", "", "--library '" + not_a_library + "'"},
      {"D08", "error", "", "", "--company 00009"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(*row.code ? row.code : "the sound sample");
    TempRoot copy;
    fs::copy(sample, copy.dir(), fs::copy_options::recursive);
    if (!row.lay.empty()) {
      const fs::path file = copy.dir() / row.lay;
      if (row.bytes == "-5") {
        fs::resize_file(file, fs::file_size(file) - 5);
      } else {
        std::string bytes = row.bytes;
        if (row.bytes.find("abc") != std::string::npos) bytes = Slurp(file) + bytes;
        Lay(file, bytes);
      }
    }
    std::string args = "--root '" + copy.dir().string() + "' ";
    if (row.more.rfind("--company", 0) == 0) args += row.more + " doctor";
    else args += "doctor --library '" + bin + "/libbemafi32.so' " + row.more;
    const auto before = Tree(copy.dir());
    BatchRun run = RunBatch(copy.dir(), args);
    EXPECT_EQ(Tree(copy.dir()), before);  // it reads, and never writes
    const bool error = std::string(row.icon) == "error";
    EXPECT_EQ(run.status, error ? 1 : 0) << run.err;
    if (!*row.code) {
      EXPECT_EQ(run.json, "") << run.json;
      EXPECT_NE(run.out.find("doctor: 0 achado(s), 0 erro(s)"), std::string::npos) << run.out;
      continue;
    }
    EXPECT_NE(run.json.find(std::string("{\"icon\": \"") + row.icon +
                            "\", \"caption\": \"vri-batch doctor\", \"text\": \"" + row.code +
                            ": "),
              std::string::npos)
        << run.json;
    EXPECT_NE(run.json.find(std::string("\"code\": \"") + row.code + "\", \"path\": \""),
              std::string::npos)
        << run.json;
    EXPECT_NE(run.json.find(row.says), std::string::npos) << run.json;
    // one finding, of the fault laid
    EXPECT_NE(run.out.find("doctor: 1 achado(s)"), std::string::npos) << run.out << run.err;
  }
}

}  // namespace

#endif

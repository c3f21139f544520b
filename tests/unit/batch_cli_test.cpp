// vri-batch as support staff and schedulers run it: exit statuses, usage
// errors that touch nothing, every message as a line and a JSON object,
// arguments in UTF-8 and in Windows-1252, --root, help and details.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "palm/palm_export.h"
#include "palm/palm_import.h"
#include "tests/unit/palm_test_support.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;

// UTF-8 text as plain bytes (the test sources are compiled into Windows-1252).
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A drive root with the product folder below it, and the --root argument
// that names it.
struct ProductRoot {
  ProductRoot() { fs::create_directories(root.dir() / "Kmar" / "Vri"); }
  std::string Arg() const { return "--root '" + root.dir().string() + "' "; }
  const fs::path& dir() const { return root.dir(); }
  TempRoot root;
};

// A private copy of the stand-in (its INI and log beside it), in dir.
fs::path StandIn(const fs::path& dir) {
  fs::create_directories(dir);
  fs::copy_file(VRI_BIN_DIR "/libbemafi32.so", dir / "libbemafi32.so",
                fs::copy_options::overwrite_existing);
  return dir / "libbemafi32.so";
}

struct UsageCase {
  const char* comment;
  const char* arguments;
  const char* says;  // UTF-8
};

TEST(BatchCli, UsageErrorsExit2TouchNothingAndAreLogged) {
  const UsageCase cases[] = {
      {"no command", "--root ROOT", "falta o comando"},
      {"no root at all", "palm-export", "falta a pasta que faz as vezes do C:"},
      {"unknown command", "--root ROOT frobnicate", "comando desconhecido: frobnicate"},
      {"unknown global option", "--root ROOT --colour palm-export",
       "op\xC3\xA7\xC3\xA3o desconhecida: --colour"},
      {"option without value", "--root ROOT --company", "--company precisa de um valor"},
      {"unknown command option", "--root ROOT palm-export --fast",
       "argumento desconhecido: --fast"},
      {"sintegra without month", "--root ROOT sintegra", "--month"},
      {"field longer than its limit", "--root ROOT sintegra --month 03/2026 --number 123456",
       "--number aceita no m\xC3\xA1ximo 5 caracteres"},
      {"sort without file", "--root ROOT sintegra-sort", "sintegra-sort"},
      {"a messages file in a folder that does not exist",
       "--messages nada/m.json --root ROOT palm-export",
       "--messages: o arquivo "},
      {"a character outside Windows-1252",
       "--root ROOT sintegra --month 03/2026 --name '\xE2\x98\xBA Loja'",
       "o argumento 9 (valor de --name) tem um caractere que n\xC3\xA3o existe no Windows-1252"},
  };
  for (const UsageCase& c : cases) {
    SCOPED_TRACE(c.comment);
    ProductRoot root;
    std::string args = c.arguments;
    std::size_t at = args.find("ROOT");
    if (at != std::string::npos) args.replace(at, 4, "'" + root.dir().string() + "'");
    BatchRun run = RunBatch(root.dir(), args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("vri-batch: erro de uso: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    if (args.find("--messages") == std::string::npos) {
      EXPECT_NE(run.json.find("{\"icon\": \"error\", \"caption\": \"vri-batch\""),
                std::string::npos)
          << run.json;
      EXPECT_NE(run.json.find(c.says), std::string::npos) << run.json;
      EXPECT_NE(run.log.find("\"exit\": 2"), std::string::npos) << run.log;
    } else {
      EXPECT_FALSE(fs::exists(root.dir() / "nada"));  // the file it could not open
    }
    // nothing made: neither the company folder nor an exchange folder
    EXPECT_FALSE(fs::exists(root.dir() / "Kmar" / "Vri" / "R00"));
    EXPECT_FALSE(fs::exists(root.dir() / "Palm"));
  }
}

TEST(BatchCli, MissingProductFolderSaysWhichFolderAndWhy) {
  TempRoot root;  // no Kmar\Vri below it
  BatchRun run = RunBatch(root.dir(), "--root '" + root.dir().string() + "' palm-export");
  EXPECT_EQ(run.status, 1);
  std::string native = (root.dir() / "Kmar" / "Vri").string();
  EXPECT_EQ(run.json, "{\"icon\": \"error\", \"caption\": \"Desenvolvimento\", \"text\": \"Erro ao "
                      "mudar a pasta.\", \"detail\": \"C:\\\\Kmar\\\\Vri (" +
                          native + U8(u8"): a pasta não existe\"}\n"));
  EXPECT_NE(run.err.find("erro [Desenvolvimento] Erro ao mudar a pasta.\ndetalhe: C:\\Kmar\\Vri (" +
                         native + U8(u8"): a pasta não existe\n")),
            std::string::npos)
      << run.err;
}

TEST(BatchCli, MessagesArePrintedAndLoggedInUtf8WithPortuguesePrefixes) {
  ProductRoot root;
  // a month that normalises to nothing is refused by the generation itself
  BatchRun run = RunBatch(root.dir(), root.Arg() + "sintegra --month 14/2026 --library '" +
                                          StandIn(root.dir() / "lib").string() + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.json.find(U8(u8"\"caption\": \"Vri\", \"text\": \"É obrigatório informar o "
                             u8"mês/ano.\"}")),
            std::string::npos)
      << run.json;
  EXPECT_NE(run.err.find(U8(u8"erro [Vri] É obrigatório informar o mês/ano.\n")),
            std::string::npos)
      << run.err;
  // the library's version goes out converted too
  EXPECT_NE(run.out.find(U8(u8"versão da biblioteca: 4.0.0 Simulador\n")), std::string::npos)
      << run.out;
}

// The printer library receives Windows-1252, whether the shell gave UTF-8 or
// Windows-1252 bytes; nothing becomes '?'.
TEST(BatchCli, AccentedArgumentsReachTheLibraryInWindows1252) {
  struct Case {
    const char* comment;
    std::string name, city;
  } cases[] = {
      {"UTF-8", U8(u8"Mercearia São João Ltda"), U8(u8"São Paulo")},
      {"Windows-1252 bytes", "Mercearia S\xE3o Jo\xE3o Ltda", "S\xE3o Paulo"},
      {"not UTF-8 (bad continuation) taken as it stands", "Caf\xC3(", "S\xE3o Paulo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.comment);
    ProductRoot root;
    fs::path lib = StandIn(root.dir() / "lib");
    BatchRun run = RunBatch(root.dir(), root.Arg() + "sintegra --month 03/2026 --name '" + c.name +
                                            "' --city '" + c.city + "' --library '" +
                                            lib.string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    std::string expect_name = c.comment[0] == 'n' ? std::string("Caf\xC3(")
                                                   : std::string("Mercearia S\xE3o Jo\xE3o Ltda");
    std::string log = Slurp(root.dir() / "lib" / "Bemafi32.log");
    EXPECT_NE(log.find("|" + expect_name + "|"), std::string::npos) << log;
    EXPECT_NE(log.find("|S\xE3o Paulo|"), std::string::npos) << log;
    EXPECT_EQ(log.find('?'), std::string::npos) << log;
    std::string file = Slurp(root.dir() / "Kmar" / "Arquivos" / "Sintegra.txt");
    EXPECT_NE(file.find(expect_name), std::string::npos);
    EXPECT_NE(file.find("S\xE3o Paulo"), std::string::npos);
    // what it did: the company line and the file
    EXPECT_NE(run.out.find("empresa: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("arquivo: " + (root.dir() / "Kmar" / "Arquivos" / "Sintegra.txt").string()),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find(U8(u8"informação [Vri] Arquivo Sintegra.txt gerado com sucesso.")),
              std::string::npos)
        << run.err;
  }
}

TEST(BatchCli, LibraryThatCannotBeLoadedGetsADetailLine) {
  ProductRoot root;
  fs::create_directories(root.dir() / "start");
  std::ofstream(root.dir() / "start" / "lixo.dll") << "isto nao e uma biblioteca";
  // A Windows library's headers: "MZ", the PE header at 0x40, its machine
  // (x64 or i386) and its characteristics (a DLL).
  auto pe = [](unsigned machine) {
    std::string b(0x200, '\0');
    b[0] = 'M', b[1] = 'Z', b[0x3C] = 0x40;
    b.replace(0x40, 4, std::string("PE\0\0", 4));
    b[0x44] = (char)(machine & 0xFF), b[0x45] = (char)(machine >> 8);
    b[0x40 + 22] = 0x02, b[0x40 + 23] = 0x20;
    return b;
  };
  std::ofstream(root.dir() / "start" / "x64.dll", std::ios::binary) << pe(0x8664);
  std::ofstream(root.dir() / "start" / "x86.dll", std::ios::binary) << pe(0x14C);
  struct Case {
    const char* library;
    std::string says;
  } cases[] = {
      {"falta.dll", U8(u8"falta.dll: o arquivo não existe")},
      {"lixo.dll", U8(u8"lixo.dll: o arquivo não é uma biblioteca")},
      {"x64.dll", U8(u8"x64.dll: é uma biblioteca de 64 bits; o Vri só carrega a Bemafi32.dll de "
                      u8"32 bits do fabricante")},
      {"x86.dll", U8(u8"x86.dll: é uma DLL do Windows")},
      {".", U8(u8": é uma pasta, não um arquivo")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    BatchRun run = RunBatch(root.dir() / "start",
                            root.Arg() + "sintegra --month 03/2026 --library " + c.library);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("erro [Vri] Erro ao carregar Bemafi32.dll\ndetalhe: " +
                           (root.dir() / "start").string() + "/"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_NE(run.json.find("\"detail\": \""), std::string::npos) << run.json;
  }
}

// --root stands for C: only: a typed path is taken from the start folder as
// typed, never below the root, and the report lands below the root.
TEST(BatchCli, RootMapsOnlyTheProductsOwnPaths) {
  TempRoot root;
  fs::create_directories(root.dir() / "ensaio" / "Kmar" / "Vri");
  StandIn(root.dir() / "stand-in");
  BatchRun run = RunBatch(root.dir(), "--root ensaio sintegra --month 03/2026 --library "
                                      "stand-in/libbemafi32.so");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(root.dir() / "ensaio" / "Kmar" / "Arquivos" / "Sintegra.txt"));
  EXPECT_TRUE(fs::exists(root.dir() / "messages.json"));  // from the start folder
  EXPECT_FALSE(fs::exists(root.dir() / "ensaio" / "Kmar" / "Vri" / "messages.json"));
}

TEST(BatchCli, SintegraSortRefusesFilesThatAreNotSintegraFiles) {
  ProductRoot root;
  struct Case {
    const char* comment;
    std::string bytes;
    const char* says;  // UTF-8
  } cases[] = {
      {"a guide", "Vri - guia\r\n\r\nLinha\r\n", "a linha 1 n\xC3\xA3o come\xC3\xA7" "a com dois d"},
      {"no line ends, as a record file", std::string(256, '1'), "n\xC3\xA3o tem quebras de linha"},
      {"a NUL byte", std::string("10abc\r\n11\0def\r\n", 15), "bytes nulos"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.comment);
    std::ofstream(root.dir() / "arquivo.txt", std::ios::binary | std::ios::trunc) << c.bytes;
    BatchRun run = RunBatch(root.dir(), root.Arg() + "sintegra-sort arquivo.txt");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Nada foi alterado."), std::string::npos) << run.err;
    EXPECT_EQ(Slurp(root.dir() / "arquivo.txt"), c.bytes);
  }
  std::ofstream(root.dir() / "Sintegra.txt", std::ios::binary | std::ios::trunc) << "90b\n10a\r\n";
  // a file sent by a shop, sorted with no root and no product folder
  BatchRun run = RunBatch(root.dir(), "sintegra-sort Sintegra.txt");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Slurp(root.dir() / "Sintegra.txt"), "10a\r\n90b\r\n");
  EXPECT_NE(run.err.find(U8(u8"informação [Vri] Arquivo ") + (root.dir() / "Sintegra.txt").string() +
                         " ordenado com sucesso."),
            std::string::npos)
      << run.err;
  // and checked the same way: its faults found, no usage error
  run = RunBatch(root.dir(), "sintegra-check Sintegra.txt");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.json.find("\"code\": \"S01\""), std::string::npos) << run.json;
}

TEST(BatchCli, HelpAndVersionAnswerWithExit0) {
  TempRoot root;
  for (const char* words : {"--help", "-h", "'/?'", "ajuda", "ajuda sintegra", "sintegra --help",
                            "palm-import --help", "--root x palm-export -h"}) {
    SCOPED_TRACE(words);
    BatchRun run = RunBatch(root.dir(), words);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.compare(0, 5, "Uso: "), 0) << run.out;
    EXPECT_NE(run.out.find(U8(u8"Códigos de saída")), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Exemplo"), std::string::npos) << run.out;
    EXPECT_EQ(run.json, "");
  }
  BatchRun run = RunBatch(root.dir(), "--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "vri-batch 4.77.0\n");
}

// The company given is the company used: a code not in F00R0.DAT stops the
// job before it touches anything; without --company, the company used last.
TEST(BatchCli, CompanyGivenIsTheCompanyUsed) {
  PalmFolders folders;
  const fs::path root = folders.root().dir();
  WriteFileBytes(folders.ProductFile("F00R0.DAT"),
                 MasterRecordBytes(kCompanyWidths, {{0, "00001"}}));
  WriteFileBytes(folders.ProductFile("C11.DAT"), Left("0", 10));
  WriteFileBytes(folders.ExchangeFile("Cabecalho.txt"), "1\r\n");
  WriteFileBytes(folders.ExchangeFile("Itens.txt"), "1\r\n");
  const std::string r = "--root '" + root.string() + "' ";
  fs::create_directories(root / "saida");
  struct Row {
    const char* comment;
    std::string arguments;
    int status;
    const char* out;  // part of standard output
    const char* err;  // part of standard error (UTF-8)
  } rows[] = {
      {"a code not in F00R0.DAT", r + "--company 00003 palm-import", 1,
       "empresa: nenhuma carregada",
       "erro [vri-batch] A empresa 00003 n\xC3\xA3o est\xC3\xA1 no F00R0.DAT. Nada foi feito"},
      {"the same for the export", r + "--company 3 palm-export", 1, "empresa: nenhuma carregada",
       "A empresa 00003"},
      {"not a number", r + "--company abc palm-import", 2, "",
       "erro de uso: --company aceita s\xC3\xB3 algarismos (recebeu abc)"},
      {"no --company: the company used last", r + "palm-export --folder saida", 0,
       "empresa: 00001 (registro 0 do F00R0.DAT)", "Arquivo Palm gerado."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    BatchRun run = RunBatch(root, row.arguments);
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_NE(run.out.find(row.out), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    // the orders stay where they were
    EXPECT_EQ(ReadFileBytes(folders.ExchangeFile("Cabecalho.txt")), "1\r\n");
  }
  EXPECT_FALSE(fs::exists(root / "Kmar" / "Vri" / "R00" / "00003"));
}

TEST(BatchCli, OneLinePerMessage) {
  // The core's messages may hold line breaks; each is shown as " — ".
  ProductRoot root;
  fs::path lib = StandIn(root.dir() / "lib");
  std::ofstream(lib.parent_path() / "Bemafi32.ini") << "RelatorioSintegraMFD=-27\nST1=128\n";
  BatchRun run =
      RunBatch(root.dir(), root.Arg() + "sintegra --month 03/2026 --library '" + lib.string() + "'");
  EXPECT_EQ(run.status, 1);
  for (std::size_t at = 0; (at = run.err.find('\n', at)) != std::string::npos; ++at) {
    std::string next = run.err.substr(at + 1, 8);
    if (next.empty()) break;
    EXPECT_TRUE(next.compare(0, 4, "erro") == 0 || next.compare(0, 5, "aviso") == 0 ||
                next.compare(0, 5, "infor") == 0 || next.compare(0, 7, "detalhe") == 0)
        << run.err;
  }
}

// The support guide is checked against the programs: every message the jobs
// can show is in it as the programs show it, with every batch command.
TEST(BatchCli, SupportGuideNamesEveryMessageAndCommand) {
  std::string guide = Slurp(VRI_SOURCE_DIR "/packaging/LEIA-ME.txt");
  ASSERT_FALSE(guide.empty());
  // the guide is Windows-1252, like these literals
  std::string flat;
  for (std::size_t i = 0; i < guide.size(); ++i) {
    if (guide[i] == '\r') continue;
    if (guide[i] == '\n') {  // a quoted message may go on on the next line
      while (i + 1 < guide.size() && guide[i + 1] == ' ') ++i;
      flat.push_back(' ');
      continue;
    }
    flat.push_back(guide[i]);
  }
  const char* const texts[] = {
      "Erro ao mudar a pasta.", "Erro ao carregar Bemafi32.dll", "Erro ao carregar a função",
      "Erro ao liberar memória da DLL.", "É obrigatório informar o mês/ano.",
      "0 Erro de comunicação.", "-1 Erro de execução da função.",
      "-2 Parâmetro inválido na função.", "-3 Alíquota não programada.",
      "-4 Arquivo BEMAFI32.INI não encontrado ou porta inválida.",
      "-5 Erro ao abrir a porta de comunicação.",
      "-6 Impressora desligada ou cabo de comunicação desconectado.",
      "-8 Erro ao criar ou gravar no arquivo STATUS.TXT ou RETORNO.TXT.",
      "-9 Erro ao fechar a porta.", "-24 Forma de pagamento não programada.",
      "-30 Função não compatível com a impressora Yanco.",
      "-31 Forma de pagamento não finalizada.", "no ECF (sem identificação).",
      "Erro na função RetornoImpressora.", "ACK Recebimento incorreto:",
      "ST1-7 Fim de papel.", "ST1-6 Pouco papel (aviso).", "ST1-5 Erro no relógio.",
      "ST1-4 Impressora em erro.", "ST1-3 Primeiro dado no comando não foi ESC.",
      "ST1-2 Comando inexistente.", "ST1-1 Cupom aberto.",
      "ST1-0 Número de parâmetros do comando inválido.",
      "ST2-7 Tipo de parâmetro do comando inválido.", "ST2-6 Memória fiscal lotada.",
      "ST2-5 Erro na memória RAM CMOS não volátil.", "ST2-4 Alíquota não programada.",
      "ST2-3 Capacidade de alíquotas programáveis lotada.",
      "ST2-2 Cancelamento não permitido.", "ST2-1 CNPJ/IE do proprietário não programados.",
      "ST2-0 Comando não executado.", "Arquivo Sintegra.txt gerado com sucesso.",
      "Não foi possível ler o arquivo", "está vazio: nenhum registro foi gravado.",
      "Não foi possível gravar os registros ordenados no arquivo", "O arquivo ficou como estava.",
      kPalmExportDone, kPalmFileError, "Arquivo Palm importado com", "Caminho muito grande.",
      "Informe o código do produto / serviço.", "O item deve possuir uma descrição.",
      "A quantidade deve ser maior que zero.", "O valor unitário deve ser maior que zero.",
      "Valor menor que o permitido", "Sistema ocupado, tente novamente.",
      "Erro ao abrir o arquivo.", "Erro ao conferir posições dos registros (at).",
      "Erro ao posicionar arquivo (r+t).", "Erro ao abrir / posicionar arquivo de contadores.",
      "Erro ao gravar arquivo de contadores.", "Erro ao gravar o arquivo.",
      "Erro ao gravar o registro do documento.", "Documento sem chave de numeração.",
      "Erro ao atualizar o registro pai.", "Erro ao ler o arquivo de produtos.",
      "Erro ao desfazer a gravação do documento incompleto; ele será desfeito na próxima importação.",
      kPalmBusyText, kPalmNoCompanyText, "Erro ao ler o arquivo", "Erro ao gravar o arquivo",
      "Erro ao desfazer um orçamento incompleto no arquivo",
      "pedidos não foram importados e continuam no arquivo Cabecalho.txt para a próxima importação.",
      "Não foi possível separar o arquivo", "Os pedidos já importados não serão importados de novo.",
      "vri-batch: erro de uso:",
      "foi carregada a empresa usada por último (C11.DAT)", "não é um arquivo Sintegra:",
      "Nada foi alterado.", "ordenado com sucesso.", "nada a importar:", "detalhe:",
      "orçamentos seriam importados;", "itens seriam recusados.", "Vri-importados",
      "produto não encontrado no cadastro", "palm-import [--folder PASTA] [--check]",
      // the commands, their options and the exit codes
      "palm-export [--folder PASTA]", "palm-import [--folder PASTA]", "sintegra --month MM/AAAA",
      "sintegra-sort ARQUIVO", "sintegra-check ARQUIVO", "--check", "Sintegra-anterior.txt",
      "O arquivo anterior foi mantido.", "Nenhum arquivo foi gravado.",
      "Sintegra-verificacao.txt", "que o validador do estado pode recusar",
      "é de um ensaio: a biblioteca da impressora", "Não entregue este arquivo.",
      "Nenhum arquivo foi gerado.", "Nada foi feito; confira o", "doctor [--folder PASTA]",
      "D01 erro", "D08 erro", "chcp 850", "\"Fim: código de saída N.\"",
      "1 pedido não foi importado e continua no arquivo",
      "Não foi possível guardar o arquivo anterior", "Não foi possível recolocar o arquivo anterior",
      "O arquivo anterior ficou guardado como", "Não foi possível apagar o arquivo anterior",
      "foi gerado, mas a verificação encontrou", "VriExport.jnl", "--company CÓDIGO", "--root PASTA", "--messages ARQUIVO",
      "--library CAMINHO", "3  nada a fazer", "2  erro de uso", "SysWOW64",
      // the stand-in's keys
      "Versao=", "VersaoDll=", "RetornoImpressora=", "RelatorioSintegraMFD=", "ACK=n, ST1=n, ST2=n",
      "Arquivo=registros|vazio|nada", "Dias=", "Bemafi32.log"};
  for (const char* t : texts) EXPECT_NE(flat.find(t), std::string::npos) << t;
  // buttons as the user reads them, without the accelerator's ampersand
  EXPECT_EQ(flat.find("&Exportar"), std::string::npos);
  EXPECT_EQ(flat.find("&Importar"), std::string::npos);
}

}  // namespace

#endif  // _WIN32

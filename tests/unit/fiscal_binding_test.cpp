// The printer library binding: every return code and every status bit against
// the exact message sequence (icon, caption, text) it shows.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "fiscal/ecf_binding.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/fiscal_fake_library.h"

namespace {

constexpr PlatIcon E = PlatIcon::kError;
constexpr PlatIcon W = PlatIcon::kWarning;

RecordedMessage Trata(const std::string& detail) {
  return {E, "ECF-Trata", "RelatorioSintegraMFD\n\n" + detail};
}
RecordedMessage Status(PlatIcon icon, const std::string& detail) {
  return {icon, "Retorno Impressora", "RelatorioSintegraMFD\n\n" + detail};
}

struct ReturnRow {
  int code;
  const char* detail;  // nullptr: no message of its own
  int result;
};

TEST(CheckEcfReturn, EveryCodeShowsItsMessage) {
  const ReturnRow rows[] = {
      {1, nullptr, 1},  // success is silent
      {0, "0 Erro de comunicação.", 0},
      {-1, "-1 Erro de execução da função.", 0},
      {-2, "-2 Parâmetro inválido na função.", 0},
      {-3, "-3 Alíquota não programada.", 0},
      {-4, "-4 Arquivo BEMAFI32.INI não encontrado ou porta inválida.", 0},
      {-5, "-5 Erro ao abrir a porta de comunicação.", 0},
      {-6, "-6 Impressora desligada ou cabo de comunicação desconectado.", 0},
      {-8, "-8 Erro ao criar ou gravar no arquivo STATUS.TXT ou RETORNO.TXT.", 0},
      {-9, "-9 Erro ao fechar a porta.", 0},
      {-24, "-24 Forma de pagamento não programada.", 0},
      {-30, "-30 Função não compatível com a impressora Yanco.", 0},
      {-31, "-31 Forma de pagamento não finalizada.", 0},
      // codes without a text of their own
      {-7, "Erro número -7 no ECF (sem identificação).", 0},
      {-10, "Erro número -10 no ECF (sem identificação).", 0},
      {-23, "Erro número -23 no ECF (sem identificação).", 0},
      {-25, "Erro número -25 no ECF (sem identificação).", 0},
      {-26, "Erro número -26 no ECF (sem identificação).", 0},
      {-28, "Erro número -28 no ECF (sem identificação).", 0},
      {-29, "Erro número -29 no ECF (sem identificação).", 0},
      {2, "Erro número 2 no ECF (sem identificação).", 0},    // above 1
      {-32, "Erro número -32 no ECF (sem identificação).", 0},  // below -31
      {INT_MAX, "Erro número 2147483647 no ECF (sem identificação).", 0},
      {INT_MIN, "Erro número -2147483648 no ECF (sem identificação).", 0},
  };
  FakeEcfLibrary fake;
  MessageRecorder rec;
  ASSERT_EQ(LoadEcfLibrary(nullptr, kEcfLibraryName), 1);
  for (const ReturnRow& row : rows) {
    SCOPED_TRACE(row.code);
    rec.Clear();
    EXPECT_EQ(CheckEcfReturn(nullptr, "RelatorioSintegraMFD", row.code), row.result);
    std::vector<RecordedMessage> want;
    if (row.detail) want.push_back(Trata(row.detail));
    EXPECT_EQ(rec.messages(), want);
  }
  // none of these codes asks the printer for its status
  EXPECT_EQ(FakeEcf().status_calls, 0);
}

struct StatusRow {
  const char* what;
  int status_code;
  int ack, st1, st2;
  std::vector<RecordedMessage> messages;
  int result;
};

TEST(CheckPrinterStatus, BitsInOrderWarningAckAndClamp) {
  const std::vector<StatusRow> rows = {
      {"clean", 1, 6, 0, 0, {}, 1},
      {"ST1-7", 1, 6, 0x80, 0, {Status(E, "ST1-7 Fim de papel.")}, 0},
      {"ST1-6 only warns", 1, 6, 0x40, 0, {Status(W, "ST1-6 Pouco papel (aviso).")}, 1},
      {"ST1-5", 1, 6, 0x20, 0, {Status(E, "ST1-5 Erro no relógio.")}, 0},
      {"ST1-4", 1, 6, 0x10, 0, {Status(E, "ST1-4 Impressora em erro.")}, 0},
      {"ST1-3", 1, 6, 0x08, 0, {Status(E, "ST1-3 Primeiro dado no comando não foi ESC.")}, 0},
      {"ST1-2", 1, 6, 0x04, 0, {Status(E, "ST1-2 Comando inexistente.")}, 0},
      {"ST1-1", 1, 6, 0x02, 0, {Status(E, "ST1-1 Cupom aberto.")}, 0},
      {"ST1-0", 1, 6, 0x01, 0, {Status(E, "ST1-0 Número de parâmetros do comando inválido.")}, 0},
      {"ST2-7", 1, 6, 0, 0x80, {Status(E, "ST2-7 Tipo de parâmetro do comando inválido.")}, 0},
      {"ST2-6", 1, 6, 0, 0x40, {Status(E, "ST2-6 Memória fiscal lotada.")}, 0},
      {"ST2-5", 1, 6, 0, 0x20, {Status(E, "ST2-5 Erro na memória RAM CMOS não volátil.")}, 0},
      {"ST2-4", 1, 6, 0, 0x10, {Status(E, "ST2-4 Alíquota não programada.")}, 0},
      {"ST2-3", 1, 6, 0, 0x08, {Status(E, "ST2-3 Capacidade de alíquotas programáveis lotada.")}, 0},
      {"ST2-2", 1, 6, 0, 0x04, {Status(E, "ST2-2 Cancelamento não permitido.")}, 0},
      {"ST2-1", 1, 6, 0, 0x02, {Status(E, "ST2-1 CNPJ/IE do proprietário não programados.")}, 0},
      {"ST2-0", 1, 6, 0, 0x01, {Status(E, "ST2-0 Comando não executado.")}, 0},
      {"ST1 7 before 1", 1, 6, 0x82, 0,
       {Status(E, "ST1-7 Fim de papel."), Status(E, "ST1-1 Cupom aberto.")}, 0},
      {"warning among errors keeps its icon", 1, 6, 0x41, 0x01,
       {Status(W, "ST1-6 Pouco papel (aviso)."),
        Status(E, "ST1-0 Número de parâmetros do comando inválido."),
        Status(E, "ST2-0 Comando não executado.")},
       0},
      {"ACK wrong: no bit is looked at", 1, 21, 0x80, 0x01,
       {Status(E, "ACK Recebimento incorreto: 21, 128, 1.")}, 0},
      {"status call fails", 0, 6, 0x80, 0, {Status(E, "Erro na função RetornoImpressora.")}, 0},
      {"ST2 300 is 255: all eight in order", 1, 6, 0, 300,
       {Status(E, "ST2-7 Tipo de parâmetro do comando inválido."),
        Status(E, "ST2-6 Memória fiscal lotada."),
        Status(E, "ST2-5 Erro na memória RAM CMOS não volátil."),
        Status(E, "ST2-4 Alíquota não programada."),
        Status(E, "ST2-3 Capacidade de alíquotas programáveis lotada."),
        Status(E, "ST2-2 Cancelamento não permitido."),
        Status(E, "ST2-1 CNPJ/IE do proprietário não programados."),
        Status(E, "ST2-0 Comando não executado.")},
       0},
      {"ST1 256 is 255: bit 8 alone would be nothing", 1, 6, 256, 0,
       {Status(E, "ST1-7 Fim de papel."), Status(W, "ST1-6 Pouco papel (aviso)."),
        Status(E, "ST1-5 Erro no relógio."), Status(E, "ST1-4 Impressora em erro."),
        Status(E, "ST1-3 Primeiro dado no comando não foi ESC."),
        Status(E, "ST1-2 Comando inexistente."), Status(E, "ST1-1 Cupom aberto."),
        Status(E, "ST1-0 Número de parâmetros do comando inválido.")},
       0},
  };
  FakeEcfLibrary fake;
  MessageRecorder rec;
  ASSERT_EQ(LoadEcfLibrary(nullptr, kEcfLibraryName), 1);
  for (const StatusRow& row : rows) {
    SCOPED_TRACE(row.what);
    FakeEcf().status_code = row.status_code;
    FakeEcf().ack = row.ack;
    FakeEcf().st1 = row.st1;
    FakeEcf().st2 = row.st2;
    // -27 defers to the status; the direct check gives the same messages
    rec.Clear();
    EXPECT_EQ(CheckEcfReturn(nullptr, "RelatorioSintegraMFD", kEcfCheckStatus), row.result);
    EXPECT_EQ(rec.messages(), row.messages);
    rec.Clear();
    EXPECT_EQ(CheckPrinterStatus(nullptr, "RelatorioSintegraMFD"), row.result);
    EXPECT_EQ(rec.messages(), row.messages);
  }
}

TEST(CheckPrinterStatus, StatusFunctionMissingShowsOnlyTheLookupMessage) {
  FakeEcfLibrary fake;
  MessageRecorder rec;
  ASSERT_EQ(LoadEcfLibrary(nullptr, kEcfLibraryName), 1);
  FakeEcf().missing.insert(kEcfStatusName);
  EXPECT_EQ(CheckEcfReturn(nullptr, "RelatorioSintegraMFD", kEcfCheckStatus), 0);
  EXPECT_EQ(rec.messages(),
            (std::vector<RecordedMessage>{
                {E, "LoadFuncDll", "Erro ao carregar a função Bematech_FI_RetornoImpressora."}}));
  EXPECT_EQ(FakeEcf().status_calls, 0);
}

TEST(EcfLibrary, LoadLookUpAndRelease) {
  FakeEcfLibrary fake;
  MessageRecorder rec;

  FakeEcf().load_fails = true;
  EXPECT_EQ(LoadEcfLibrary(nullptr, kEcfLibraryName), 0);
  EXPECT_EQ(EcfLibrary(), nullptr);
  EXPECT_EQ(rec.messages(),
            (std::vector<RecordedMessage>{{E, "Vri", "Erro ao carregar Bemafi32.dll"}}));
  EXPECT_EQ(FakeEcf().loaded_path, "Bemafi32.dll");

  rec.Clear();
  FakeEcf().load_fails = false;
  ASSERT_EQ(LoadEcfLibrary(nullptr, kEcfLibraryName), 1);
  EXPECT_NE(LoadFuncDll(nullptr, EcfLibrary(), kEcfVersionName), nullptr);
  EXPECT_EQ(LoadFuncDll(nullptr, EcfLibrary(), "Bematech_FI_Inexistente"), nullptr);
  EXPECT_EQ(rec.messages(),
            (std::vector<RecordedMessage>{
                {E, "LoadFuncDll", "Erro ao carregar a função Bematech_FI_Inexistente."}}));

  // every check looks the status function up again
  int before = FakeEcf().lookups;
  CheckPrinterStatus(nullptr, "VersaoDll");
  CheckPrinterStatus(nullptr, "VersaoDll");
  EXPECT_EQ(FakeEcf().lookups - before, 2);

  rec.Clear();
  FakeEcf().free_result = 0;
  EXPECT_EQ(ReleaseEcfLibrary(nullptr), 0);
  EXPECT_EQ(rec.messages(),
            (std::vector<RecordedMessage>{{E, "Vri", "Erro ao liberar memória da DLL."}}));
  EXPECT_EQ(EcfLibrary(), nullptr);
  EXPECT_EQ(FakeEcf().frees, 1);

  // nothing loaded: nothing to release, nothing shown
  rec.Clear();
  EXPECT_EQ(ReleaseEcfLibrary(nullptr), 1);
  EXPECT_TRUE(rec.messages().empty());
  EXPECT_EQ(FakeEcf().frees, 1);
}

}  // namespace

#include "fiscal/ecf_binding.h"

#include "platform/trouble.h"

namespace {

void* g_library = nullptr;
std::string g_library_path;  // as the caller named it, for the details

struct ReturnMessage {
  int code;
  const char* text;
};

// Texts of the library's documented return codes. 1 and -27 have none: 1 is
// success, -27 defers to the printer's own status.
constexpr ReturnMessage kReturnMessages[] = {
    {0, "0 Erro de comunicação."},
    {-1, "-1 Erro de execução da função."},
    {-2, "-2 Parâmetro inválido na função."},
    {-3, "-3 Alíquota não programada."},
    {-4, "-4 Arquivo BEMAFI32.INI não encontrado ou porta inválida."},
    {-5, "-5 Erro ao abrir a porta de comunicação."},
    {-6, "-6 Impressora desligada ou cabo de comunicação desconectado."},
    {-8, "-8 Erro ao criar ou gravar no arquivo STATUS.TXT ou RETORNO.TXT."},
    {-9, "-9 Erro ao fechar a porta."},
    {-24, "-24 Forma de pagamento não programada."},
    {-30, "-30 Função não compatível com a impressora Yanco."},
    {-31, "-31 Forma de pagamento não finalizada."},
};

// Status bits in the order they are reported: ST1 bit 7 first, ST2 bit 0 last.
struct StatusBit {
  int byte;  // 1 = ST1, 2 = ST2
  int bit;
  const char* text;
};

constexpr StatusBit kStatusBits[] = {
    {1, 7, "ST1-7 Fim de papel."},
    {1, 6, "ST1-6 Pouco papel (aviso)."},
    {1, 5, "ST1-5 Erro no relógio."},
    {1, 4, "ST1-4 Impressora em erro."},
    {1, 3, "ST1-3 Primeiro dado no comando não foi ESC."},
    {1, 2, "ST1-2 Comando inexistente."},
    {1, 1, "ST1-1 Cupom aberto."},
    {1, 0, "ST1-0 Número de parâmetros do comando inválido."},
    {2, 7, "ST2-7 Tipo de parâmetro do comando inválido."},
    {2, 6, "ST2-6 Memória fiscal lotada."},
    {2, 5, "ST2-5 Erro na memória RAM CMOS não volátil."},
    {2, 4, "ST2-4 Alíquota não programada."},
    {2, 3, "ST2-3 Capacidade de alíquotas programáveis lotada."},
    {2, 2, "ST2-2 Cancelamento não permitido."},
    {2, 1, "ST2-1 CNPJ/IE do proprietário não programados."},
    {2, 0, "ST2-0 Comando não executado."},
};

// The operation's name on the first line, an empty line, then the detail.
std::string& AboutOperation(std::string& text, const std::string& operation,
                            const std::string& detail) {
  text = operation;
  text += "\n\n";
  text += detail;
  return text;
}

}  // namespace

int LoadEcfLibrary(PlatWindow owner, const std::string& path) {
  g_library = PlatLoadLibrary(path);
  g_library_path = path;
  if (!g_library) {
    std::string why = LibraryTrouble(path);  // before anything else changes the last error
    PlatShowMessage(owner, "Erro ao carregar Bemafi32.dll", "Vri", PlatIcon::kError, why);
    return 0;
  }
  return 1;
}

int ReleaseEcfLibrary(PlatWindow owner) {
  void* library = g_library;
  g_library = nullptr;
  if (!PlatFreeLibrary(library)) {
    PlatShowMessage(owner, "Erro ao liberar memória da DLL.", "Vri", PlatIcon::kError);
    return 0;
  }
  return 1;
}

void* EcfLibrary() { return g_library; }

int EcfLibraryIsRehearsal() {
  return g_library && PlatFindFunction(g_library, kEcfRehearsalMark) ? 1 : 0;
}

void* LoadFuncDll(PlatWindow owner, void* library, const std::string& name) {
  void* entry = PlatFindFunction(library, name.c_str());
  if (!entry) {
    PlatShowMessage(owner, "Erro ao carregar a função " + name + ".", "LoadFuncDll",
                    PlatIcon::kError, MissingFunctionTrouble(g_library_path, name));
  }
  return entry;
}

std::string MissingFunctionTrouble(const std::string& path, const std::string& name) {
  return PlatShownPath(path) + ": a biblioteca não tem a função " + name +
         "; não é a Bemafi32.dll do fabricante ou é de outra versão";
}

int CheckEcfReturn(PlatWindow owner, const std::string& operation, int code) {
  if (code == 1) return 1;
  if (code == kEcfCheckStatus) return CheckPrinterStatus(owner, operation);
  std::string detail;
  for (const ReturnMessage& m : kReturnMessages) {
    if (m.code == code) detail = m.text;
  }
  if (detail.empty()) {
    detail = "Erro número " + std::to_string(code) + " no ECF (sem identificação).";
  }
  std::string text;
  PlatShowMessage(owner, AboutOperation(text, operation, detail), "ECF-Trata", PlatIcon::kError);
  return 0;
}

int CheckPrinterStatus(PlatWindow owner, const std::string& operation) {
  int ack = kEcfAck;
  int st1 = 0;
  int st2 = 0;
  auto status =
      reinterpret_cast<EcfStatusFn>(LoadFuncDll(owner, g_library, kEcfStatusName));
  if (!status) return 0;
  std::string text;
  if (status(&ack, &st1, &st2) != 1) {
    PlatShowMessage(owner, AboutOperation(text, operation, "Erro na função RetornoImpressora."),
                    "Retorno Impressora", PlatIcon::kError);
    return 0;
  }
  if (ack != kEcfAck) {
    std::string detail = "ACK Recebimento incorreto: " + std::to_string(ack) + ", " +
                         std::to_string(st1) + ", " + std::to_string(st2) + ".";
    PlatShowMessage(owner, AboutOperation(text, operation, detail), "Retorno Impressora",
                    PlatIcon::kError);
    return 0;
  }
  // Status bytes: anything above a byte reads as every bit set.
  if (st1 > 255) st1 = 255;
  if (st2 > 255) st2 = 255;
  int result = 1;
  for (const StatusBit& b : kStatusBits) {
    int value = b.byte == 1 ? st1 : st2;
    if (!(value & (1 << b.bit))) continue;
    // Low paper is the one condition that lets the job go on.
    bool warning = b.byte == 1 && b.bit == 6;
    PlatShowMessage(owner, AboutOperation(text, operation, b.text), "Retorno Impressora",
                    warning ? PlatIcon::kWarning : PlatIcon::kError);
    if (!warning) result = 0;
  }
  return result;
}

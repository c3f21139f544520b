// doctor: what is wrong with the data folder, in the technician's words. It
// reads the product folder, the company's files, the exchange folder and the
// printer library, and writes nothing. Each finding is one message with its
// code (D01-D08) and path; errors where data is at risk, warnings otherwise.
#include <string>
#include <vector>

#include "cli/batch.h"
#include <algorithm>

#include "codecs/number.h"
#include "documents/doc_journal.h"
#include "documents/doc_kinds.h"
#include "documents/doc_store.h"
#include "documents/document_form.h"
#include "fiscal/ecf_binding.h"
#include "fiscal/sintegra.h"
#include "palm/palm_dialog.h"
#include "palm/palm_files.h"
#include "palm/palm_import.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/counters.h"
#include "shell/startup.h"

namespace {

constexpr char kCaption[] = "vri-batch doctor";

struct Doctor {
  int errors = 0;
  int findings = 0;
};

// One finding: the message with its code and path in the JSON line.
void Find(Doctor& d, const char* code, PlatIcon icon, const std::string& path,
          const std::string& text) {
  SetMessageFields(JsonMember("code", code) + ", " + JsonMember("path", path));
  PlatShowMessage(nullptr, std::string(code) + ": " + text, kCaption, icon);
  SetMessageFields("");
  ++d.findings;
  if (icon == PlatIcon::kError) ++d.errors;
}

std::string Shown(const std::string& path) { return PlatShownPath(path); }

// The size of a file, or -1 when it cannot be opened.
long long SizeOf(const std::string& path) {
  PlatStream* s = PlatOpen(path, PlatOpenMode::kRead);
  if (!s) return -1;
  long long size = PlatSize(s);
  PlatClose(s);
  return size;
}

// D01: a record file that is not a whole number of records.
void CheckRecordFile(Doctor& d, const std::string& path, int length) {
  if (!PlatFileExists(path)) return;
  long long size = SizeOf(path);
  if (size < 0 || size % length == 0) return;
  Find(d, "D01", PlatIcon::kError, Shown(path),
       "o arquivo " + Shown(path) + " tem " + std::to_string(size) +
           " bytes, que não é um número inteiro de registros de " + std::to_string(length) +
           " bytes: o último registro está cortado. Faça uma cópia do arquivo e chame o "
           "suporte antes de usar o sistema.");
}


void CheckRecordFiles(Doctor& d, const std::string& product_folder, const std::string& company_folder) {
  const struct {
    const char* name;
    int length;
  } kProductFiles[] = {{kCompanyFile, kCompanyRecordLength},   {kSupplierFile, kSupplierRecordLength},
                       {kCustomerFile, kCustomerRecordLength}, {kPaymentFile, kPaymentRecordLength},
                       {kKindConfigFile, kKindConfigRecordLength}, {kCfopFile, kCfopRecordLength},
                       {kCounterFile, kCounterRecordLength},   {kSavedValueFile, kSavedValueRecordLength}};
  for (const auto& f : kProductFiles) CheckRecordFile(d, product_folder + "\\" + f.name, f.length);
  if (company_folder.empty()) return;
  CheckRecordFile(d, company_folder + "\\" + kSellerFile, kSellerRecordLength);
  CheckRecordFile(d, company_folder + "\\" + kProductFile, kProductRecordLength);
  std::vector<std::string> names;
  PlatListFolder(company_folder, names);
  for (const std::string& name : names)
    if (IsDocumentFileName(name)) CheckRecordFile(d, company_folder + "\\" + name, kDocumentRecordLength);
}

// 1 when the lock file `path` exists and nobody holds it: the run that held
// it has ended. Taking a lock writes nothing to an existing file.
bool LockFree(const std::string& path) {
  if (!PlatFileExists(path)) return true;
  PlatHandle h = PlatLockFile(path);
  if (h == kNoHandle) return false;
  PlatUnlockFile(h);
  return true;
}

// D04: temporary files of runs that are no longer running.
void CheckLeftovers(Doctor& d, const std::string& exchange, const std::string& company_folder) {
  std::vector<std::string> names;
  PlatListFolder(exchange, names);
  for (const std::string& name : names) {
    std::string tag, lock;
    // a run's own lock is no leftover
    if (PalmRunTagOf(name, tag) && PalmRunLockPath(lock, exchange, tag) != exchange + "\\" + name &&
        LockFree(lock)) {
      Find(d, "D04", PlatIcon::kWarning, Shown(exchange + "\\" + name),
           "o arquivo " + Shown(exchange + "\\" + name) +
               " sobrou de uma exportação que não está mais rodando; a próxima exportação o "
               "apaga.");
    }
    // the import's own: "<order file>.<company>.tmp", its lock in the company folder
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0 && name[0] != '~' &&
        !company_folder.empty() && LockFree(company_folder + "\\" + kPalmLockFile)) {
      Find(d, "D04", PlatIcon::kWarning, Shown(exchange + "\\" + name),
           "o arquivo " + Shown(exchange + "\\" + name) +
               " sobrou de uma importação interrompida; a próxima importação o apaga.");
    }
  }
  const std::string sintegra_temp = SintegraSortTemporary(kSintegraPath);
  if (PlatFileExists(sintegra_temp))
    Find(d, "D04", PlatIcon::kWarning, Shown(sintegra_temp),
         "o arquivo " + Shown(sintegra_temp) +
             " sobrou de uma geração do Sintegra interrompida; a próxima geração o apaga.");
}

// D05: orders waiting; D06: an export left half-way.
void CheckExchange(Doctor& d, const std::string& exchange) {
  int orders = 0;
  if (CountWaitingOrders(exchange, orders) && orders > 0) {
    std::string headers;
    PalmFilePath(headers, exchange, kPalmOrderFiles[0], kPalmTextExtension);
    Find(d, "D05", PlatIcon::kWarning, Shown(headers),
         std::to_string(orders) + " pedido(s) esperando em " + Shown(headers) +
             ": importe-os (\"Importar\" ou vri-batch palm-import).");
  }
  std::string journal;
  PalmJournalPath(journal, exchange);
  if (PlatFileExists(journal))
    Find(d, "D06", PlatIcon::kError, Shown(journal),
         "a pasta " + Shown(exchange) +
             " tem tabelas de duas exportações: uma exportação parou no meio (" +
             Shown(journal) +
             "). Não sincronize o Palm: exporte de novo, a próxima exportação termina ou "
             "desfaz a anterior.");
}

// D07: the printer library.
void CheckLibrary(Doctor& d, const std::string& library) {
  std::string found = library;
  if (library.find_first_of("\\/") == std::string::npos && !PlatSearchLibrary(library, found)) {
    Find(d, "D07", PlatIcon::kError, library, LibraryTrouble(library));
    return;
  }
  void* handle = PlatLoadLibrary(found);
  if (!handle) {
    Find(d, "D07", PlatIcon::kError, Shown(found), LibraryTrouble(found));
    return;
  }
  for (const char* name : {kEcfVersionName, kEcfStatusName, kEcfSintegraName}) {
    if (!PlatFindFunction(handle, name))
      Find(d, "D07", PlatIcon::kError, Shown(found), MissingFunctionTrouble(found, name) + ".");
  }
  PlatFreeLibrary(handle);
}

// D02: counters of the company that are not numbers; D03: documents begun
// and not finished in the document journal.
void CheckDocuments(Doctor& d, const std::string& product_folder,
                    const std::string& company_folder) {
  if (company_folder.empty()) return;
  // The kind the Palm import numbers (its quotes), and the highest number a
  // live one has in any of the company's document files.
  Company().job_mode = kModePalm;
  DocumentForm form;
  form.title = kPalmCashTitle;
  const int kind = DocKind();
  std::string quote_key, quote_name;
  DocKey(form, kind, kKeyNumbering, quote_key, quote_name);
  long quotes_in_use = 0;
  std::vector<std::string> names;
  PlatListFolder(company_folder, names);
  for (const std::string& name : names) {
    long highest = 0;
    if (IsDocumentFileName(name) &&
        HighestDocNumber(company_folder + "\\" + name, KindLetter(kind), DocDirection(), highest))
      quotes_in_use = std::max(quotes_in_use, highest);
  }
  const std::string counters = product_folder + "\\" + kCounterFile;
  std::string bytes;
  if (PlatFileExists(counters) && PlatReadWhole(counters, bytes)) {
    for (std::size_t at = 0; at + kCounterRecordLength <= bytes.size(); at += kCounterRecordLength) {
      const RecordBuffer r{kCounterLayout,
                           std::string_view(bytes).substr(at, kCounterRecordLength), {}};
      if (IsFreeRecordBuffer(r)) continue;
      // key parts 1 and 2, then the number
      const std::string company(RecordFieldText(r, 0)), kind(RecordFieldText(r, 1));
      if (company != Company().company_code) continue;
      std::string_view number = RecordFieldText(r, kCounterNumberField);
      const std::string digits(
          number.substr(std::min(number.find_first_not_of(' '), number.size())));
      if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) {
        if (kind == quote_key && ToInt(digits) < quotes_in_use)
          Find(d, "D02", PlatIcon::kError, Shown(counters),
               "o contador \"" + company + " " + kind + "\" (registro " +
                   std::to_string(at / kCounterRecordLength) + " de " + Shown(counters) +
                   ") está em " + digits + ", atrás do maior número de orçamento em uso (" +
                   std::to_string(quotes_in_use) +
                   "): a próxima importação continua do maior número, mas confira se algum "
                   "número foi dado duas vezes.");
        continue;
      }
      Find(d, "D02", PlatIcon::kError, Shown(counters),
           "o contador \"" + company + " " + kind + "\" (registro " +
               std::to_string(at / kCounterRecordLength) + " de " + Shown(counters) +
               ") não é um número (\"" + digits +
               "\"): a próxima importação numera a partir do maior número em uso desse tipo "
               "de documento, mas confira os números dos documentos.");
    }
  }
  const std::string journal = company_folder + "\\" + kJournalFile;
  JournalState state;
  if (PlatFileExists(journal) && ReadJournal(journal, state) && !state.unfinished.empty())
    Find(d, "D03", PlatIcon::kWarning, Shown(journal),
         std::to_string(state.unfinished.size()) +
             " documento(s) começado(s) e não terminado(s) no diário " + Shown(journal) +
             ": a próxima importação desta empresa os desfaz.");
}

// The exchange folder of the Palm dialog: the one F37.DAT remembers, else C:\Palm.
std::string DialogExchangeFolder() {
  std::string saved;
  if (SavedFieldValue(saved, "", "", kPalmSavedFolderKey, 0) && !saved.empty()) return saved;
  return kPalmDefaultFolder;
}

}  // namespace

int RunDoctor(const std::vector<std::string>& args) {
  std::string folder, library;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--folder" || args[i] == "--library") && i + 1 < args.size() &&
        !args[i + 1].empty()) {
      (args[i] == "--folder" ? folder : library) = TypedPath(args[i + 1]);
      ++i;
    } else {
      return UsageError("doctor: argumento desconhecido ou sem valor: " + args[i]);
    }
  }
  if (library.empty()) library = DefaultLibrary();
  if (!StartUpFolder()) return kExitFailed;
  Doctor d;
  std::string product_folder;
  PlatGetCurrentFolder(product_folder);
  std::string asked;
  std::string company_folder;
  if (!LoadCompanyReadOnly(asked)) {
    Find(d, "D08", PlatIcon::kError, Shown(product_folder + "\\" + kCompanyFile),
         "a empresa " + asked + " não está em " + Shown(product_folder + "\\" + kCompanyFile) +
             " e o C11.DAT não indica uma empresa que exista: o Vri não tem com que "
             "trabalhar. Confira o código da empresa.");
  } else {
    std::string relative;
    company_folder = product_folder + "\\" + CompanyFolderPath(relative);
  }
  if (folder.empty()) folder = DialogExchangeFolder();
  CheckRecordFiles(d, product_folder, company_folder);
  CheckDocuments(d, product_folder, company_folder);
  CheckLeftovers(d, folder, company_folder);
  CheckExchange(d, folder);
  CheckLibrary(d, library);
  PrintOut("doctor: " + std::to_string(d.findings) + " achado(s), " + std::to_string(d.errors) +
           " erro(s)");
  return d.errors ? kExitFailed : kExitSuccess;
}

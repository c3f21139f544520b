// palm-export and palm-import: the Palm job from a shell, through the same
// core procedures as the Palm dialog's "Exportar" and "Importar".
#include <string>
#include <vector>

#include "cli/batch.h"
#include "codecs/date.h"
#include "documents/document_form.h"
#include "palm/palm_export.h"
#include "palm/palm_files.h"
#include "palm/palm_import.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"

namespace {

// Reads [--folder DIR] (and --check where `check` is given); 1 and the
// folder (the exchange folder C:\Palm by default, a typed one from the start
// folder as typed), or 0 after the usage error (exit status in `status`).
int ReadFolderOption(const std::string& command, const std::vector<std::string>& args,
                     std::string& folder, int& status, int* check = nullptr) {
  folder = kPalmDefaultFolder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (check && args[i] == "--check") {
      *check = 1;
    } else if (args[i] == "--folder") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        status = UsageError(command + ": --folder precisa de uma pasta");
        return 0;
      }
      folder = TypedPath(args[++i]);
    } else {
      status = UsageError(command + ": argumento desconhecido: " + args[i]);
      return 0;
    }
  }
  return 1;
}

// The order and item a message of the import is about, as JSON members.
void LabelMessages(const PalmOrderPlace* place) {
  if (!place) {
    SetMessageFields("");
    return;
  }
  std::string fields = JsonMember("order", place->order);
  if (place->item > 0)
    fields += ", \"item\": " + std::to_string(place->item) + ", " +
              JsonMember("product", place->product);
  SetMessageFields(fields);
}

}  // namespace

int RunPalmExport(const std::vector<std::string>& args) {
  std::string folder;
  int status = kExitUsage;
  if (!ReadFolderOption("palm-export", args, folder, status)) return status;
  if (!StartUp(kModePalm)) return kExitFailed;
  std::vector<std::string> sellers;
  BuildSellerList(sellers);
  PalmExportSummary summary;
  if (!PalmExport(nullptr, folder, kPalmLayoutOnSoft, sellers, summary)) return kExitFailed;
  PrintOut("pasta de troca: " + ShownPath(PlatNativePath(folder)));
  for (int t = 0; t < kPalmTableCount; ++t)
    PrintOut(std::string("  ") + kPalmTables[t] + ".txt: " + std::to_string(summary.lines[t]) +
             " linha(s)");
  // The handheld would load no products or no customers: said, though the
  // export itself succeeded.
  std::string product;
  CompanyFilePath(product, kProductFile);
  const struct {
    std::string master;
    const char* what;
  } kNeeded[] = {{product, "produtos"}, {kCustomerFile, "clientes"}};
  for (const auto& n : kNeeded) {
    for (const std::string& missing : summary.missing) {
      if (missing != n.master) continue;
      std::string folder_now;
      PlatGetCurrentFolder(folder_now);
      PlatShowMessage(nullptr,
                      std::string("O cadastro de ") + n.what + " " +
                          PlatShownPath(folder_now + "\\" + missing) +
                          " não existe: o Palm ficará sem " + n.what + ".",
                      "vri-batch", PlatIcon::kWarning);
    }
  }
  return kExitSuccess;
}

int RunPalmImport(const std::vector<std::string>& args) {
  std::string folder;
  int status = kExitUsage;
  int check = 0;
  if (!ReadFolderOption("palm-import", args, folder, status, &check)) return status;
  // the rehearsal makes nothing, not even the company's folder
  if (!StartUp(kModePalm, check ? 0 : 1)) return kExitFailed;
  std::string shown = ShownPath(PlatNativePath(folder));
  if (PlatFolderExists(folder) && !PalmHasOrderFiles(folder)) {
    PrintOut("nada a importar: a pasta " + shown + " não tem Cabecalho.txt nem Itens.txt");
    return kExitNothing;
  }
  DateRec today;
  Today(today, PlatNow());
  DocumentForm form;
  form.title = "Palm";
  PalmImportOutcome outcome;
  outcome.rehearse = check;
  outcome.taken_is_nothing = 1;
  outcome.label = LabelMessages;
  int ok = PalmImport(form, folder, kPalmLayoutOnSoft, today, outcome);
  SetMessageFields("");
  if (!ok) return kExitFailed;
  if (outcome.nothing) {
    PrintOut("nada a importar: outra importação levou os pedidos da pasta " + shown);
    return kExitNothing;
  }
  if (check) {
    PrintOut("pasta de troca: " + shown + "; pedidos: " + std::to_string(outcome.orders) +
             "; orçamentos que seriam importados: " + std::to_string(outcome.quotes) +
             "; itens que seriam recusados: " + std::to_string(outcome.refused) +
             " (ensaio: nada foi gravado)");
    if (outcome.orders == 0) return kExitNothing;
  } else {
    PrintOut("pasta de troca: " + shown + "; orçamentos importados: " +
             std::to_string(outcome.quotes) + "; pedidos pendentes: " +
             std::to_string(outcome.pending) + "; itens recusados: " +
             std::to_string(outcome.refused));
  }
  return outcome.refused > 0 || outcome.pending > 0 ? kExitFailed : kExitSuccess;
}

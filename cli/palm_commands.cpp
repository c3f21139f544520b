// palm-export and palm-import: the Palm job from a shell, through the same
// core procedures as the Palm dialog's "&Exportar" and "&Importar".
#include <string>
#include <vector>

#include "cli/batch.h"
#include "codecs/date.h"
#include "documents/document_form.h"
#include "palm/palm_export.h"
#include "palm/palm_import.h"
#include "platform/platform.h"
#include "records/company.h"

namespace {

// Reads [--folder DIR]; 1 and the folder (the exchange folder C:\Palm by
// default), or 0 after the usage error (exit status in `status`).
int ReadFolderOption(const std::string& command, const std::vector<std::string>& args,
                     std::string& folder, int& status) {
  folder = kPalmDefaultFolder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--folder") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        status = UsageError(command + ": --folder needs a folder");
        return 0;
      }
      folder = StartFolderPath(args[++i]);
    } else {
      status = UsageError(command + ": unknown argument " + args[i]);
      return 0;
    }
  }
  return 1;
}

}  // namespace

int RunPalmExport(const std::vector<std::string>& args) {
  std::string folder;
  int status = kExitUsage;
  if (!ReadFolderOption("palm-export", args, folder, status)) return status;
  if (!StartUp(kModePalm)) return kExitFailed;
  std::vector<std::string> sellers;
  BuildSellerList(sellers);
  return PalmExport(nullptr, folder, kPalmLayoutOnSoft, sellers) ? kExitSuccess : kExitFailed;
}

int RunPalmImport(const std::vector<std::string>& args) {
  std::string folder;
  int status = kExitUsage;
  if (!ReadFolderOption("palm-import", args, folder, status)) return status;
  if (!StartUp(kModePalm)) return kExitFailed;
  PlatLocalTime now = PlatNow();
  DateRec today;
  today.year = now.year;
  today.day = (std::uint8_t)now.day;
  today.month = (std::uint8_t)now.month;
  DocumentForm form;
  form.title = "Palm";
  int quotes = 0;
  return PalmImport(form, folder, kPalmLayoutOnSoft, today, quotes) ? kExitSuccess : kExitFailed;
}

// palm-export and palm-import. Filled in with the Palm jobs.
#include "cli/batch.h"

int RunPalmExport(const std::vector<std::string>&) {
  return UsageError("palm-export is not available in this build yet");
}

int RunPalmImport(const std::vector<std::string>&) {
  return UsageError("palm-import is not available in this build yet");
}

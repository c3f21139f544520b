// sintegra and sintegra-sort. Filled in with the fiscal printer job.
#include "cli/batch.h"

int RunSintegra(const std::vector<std::string>&) {
  return UsageError("sintegra is not available in this build yet");
}

int RunSintegraSort(const std::vector<std::string>&) {
  return UsageError("sintegra-sort is not available in this build yet");
}

// sintegra and sintegra-sort: the fiscal printer job from a shell, through
// the same binding and the same generation as the fiscal printer dialog.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "codecs/date.h"
#include "fiscal/ecf_binding.h"
#include "fiscal/sintegra.h"
#include "records/company.h"

namespace {

// An option of the sintegra command: the dialog field it stands for and the
// request text it fills.
struct SintegraOption {
  const char* name;
  int control_id;
  std::string SintegraRequest::*field;
};

const SintegraOption kOptions[] = {
    {"--month", 100, &SintegraRequest::month_year},
    {"--report", 101, &SintegraRequest::report},
    {"--name", 103, &SintegraRequest::name},
    {"--street", 104, &SintegraRequest::street},
    {"--number", 105, &SintegraRequest::number},
    {"--complement", 106, &SintegraRequest::complement},
    {"--district", 107, &SintegraRequest::district},
    {"--city", 108, &SintegraRequest::city},
    {"--cep", 109, &SintegraRequest::cep},
    {"--phone", 110, &SintegraRequest::phone},
    {"--fax", 111, &SintegraRequest::fax},
    {"--contact", 112, &SintegraRequest::contact},
};

// The vendor's library is found by the system's search on Windows; elsewhere
// the stand-in built beside vri-batch answers in its place.
std::string DefaultLibrary() {
#if defined(_WIN32)
  return kEcfLibraryName;
#else
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "libbemafi32.so";
  return (self.parent_path() / "libbemafi32.so").string();
#endif
}

}  // namespace

int RunSintegra(const std::vector<std::string>& args) {
  SintegraRequest request;
  std::string library;
  bool month_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.compare(0, 2, "--") != 0) return UsageError("unexpected " + a);
    if (i + 1 >= args.size()) return UsageError(a + " needs a value");
    const std::string& value = args[++i];
    if (a == "--library") {
      library = value;
      continue;
    }
    const SintegraOption* option = nullptr;
    for (const SintegraOption& o : kOptions) {
      if (a == o.name) option = &o;
    }
    if (!option) return UsageError("unknown option " + a);
    int limit = SintegraLimitOf(option->control_id);
    if ((int)value.size() > limit) {
      return UsageError(a + " takes at most " + std::to_string(limit) + " characters");
    }
    request.*(option->field) = value;
    if (option->control_id == 100) month_given = true;
  }
  if (!month_given) return UsageError("sintegra needs --month MM/YYYY");
  if (library.empty()) library = DefaultLibrary();
  else library = StartFolderPath(library);

  if (!StartUp(kModeFiscal)) return kExitFailed;
  if (!LoadEcfLibrary(nullptr, library)) return kExitFailed;
  std::string version;
  if (SintegraVersion(nullptr, version)) std::cout << version << std::endl;

  // The fields as the dialog leaves them when the user moves on.
  DateRec today;
  Today(today);
  NormMonthYear(request.month_year, today.year);
  NormCep(request.cep);
  int generated = SintegraGenerate(nullptr, request);
  int released = ReleaseEcfLibrary(nullptr);
  return generated && released ? kExitSuccess : kExitFailed;
}

int RunSintegraSort(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("sintegra-sort needs exactly one FILE");
  if (args[0].size() > 1 && args[0].compare(0, 2, "--") == 0)
    return UsageError("unknown option " + args[0]);
  std::string path = StartFolderPath(args[0]);
  if (!StartUp(kModeFiscal)) return kExitFailed;
  if (!SortSintegraFile(nullptr, path)) return kExitFailed;
  PlatShowMessage(nullptr, "Arquivo Sintegra.txt gerado com sucesso.", "Vri",
                  PlatIcon::kInformation);
  return kExitSuccess;
}

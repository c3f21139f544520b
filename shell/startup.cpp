#include "shell/startup.h"

#include <string>

#include "codecs/number.h"
#include "codecs/text.h"
#include "platform/platform.h"
#include "platform/trouble.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

constexpr char kCommandPrefix[] = "vri";
constexpr std::size_t kCommandLength = 9;
constexpr char kPalmModeDigit = '2';
constexpr char kDefaultCompanyCode[] = "00001";
constexpr int kCompanyCodeDigits = 5;

}  // namespace

std::string& FormatCode(std::string& out, int value) {
  std::string digits = std::to_string(value < 0 ? -(long long)value : (long long)value);
  int width = value < 0 ? kCompanyCodeDigits - 1 : kCompanyCodeDigits;
  out.clear();
  if (value < 0) out.push_back('-');
  if ((int)digits.size() < width) out.append((std::size_t)(width - (int)digits.size()), '0');
  out.append(digits);
  return out;
}

int ApplyCommandLine(const std::string& arguments) {
  CompanyContext& company = Company();
  if (arguments.size() != kCommandLength ||
      !EqualNoCaseAscii(arguments.substr(0, sizeof kCommandPrefix - 1), kCommandPrefix)) {
    company.job_mode = kModeFiscal;
    company.company_code = kDefaultCompanyCode;
  } else {
    company.job_mode = arguments[3] == kPalmModeDigit ? kModePalm : kModeNone;
    company.company_code = arguments.substr(4, 5);
  }
  return company.job_mode;
}

int DecimalValue(const std::string& text) { return ToInt(text); }

int SetWorkFolder(const std::string& name) {
  std::string current;
  // A layer with a drive root may report the folder by its mapped name.
  if (PlatGetCurrentFolder(current) &&
      (EqualNoCaseAscii(current, kDevelopmentFolder) ||
       EqualNoCaseAscii(current, PlatNativePath(kDevelopmentFolder)))) {
    return 1;
  }
  std::string folder = "C:\\Kmar\\";
  folder.append(name);
  if (PlatSetCurrentFolder(folder)) return 1;
  PlatShowMessage(nullptr, "Erro ao mudar a pasta.", "Desenvolvimento", PlatIcon::kError,
                  FolderTrouble(folder));
  return 0;
}

int ReadLastCompany(int request) {
  CompanyContext& company = Company();
  if (request != kLoadLastUsed) return company.company_record;
  company.company_record = -1;
  PlatStream* system = PlatOpen(kSystemFile, PlatOpenMode::kRead);
  if (!system) return -1;
  std::string text;
  int record = -1;
  // An empty file or one without a number names no company: taking record 0
  // would load whichever company happens to stand first.
  if (ReadText(system, text, kSystemRecordWidth) && ReadInt(text, record)) {
    company.company_record = record;
  }
  PlatClose(system);
  return company.company_record;
}

int LoadCompany(int request, int make_folder) {
  CompanyContext& company = Company();
  const bool exact = request == kLoadExact;
  if ((request == kLoadLookUp || exact) && !company.company_code.empty()) {
    std::string code;
    FormatCode(code, DecimalValue(company.company_code));
    company.company_code = code;
    int record = -1;
    request = FindCodeInFile(code, kCompanyFile, kCompanyRecordLength, record, 0,
                             kCompanyKeyWidth)
                  ? kLoadFound
                  : kLoadLastUsed;
    company.company_record = record;
  }
  if (exact && request != kLoadFound) {
    company.company_record = -1;
    return 0;
  }
  ReadLastCompany(request);
  if (IsFreeRecordInFile(kCompanyFile, company.company_record, kCompanyRecordLength)) {
    company.company_record = -1;
  }
  std::string stored;
  if (company.company_record < 0 ||
      !ReadCompanyField(nullptr, company.company_record, stored, kPersonCode)) {
    stored.clear();
  }
  company.company_code = stored;
  if (stored.empty()) {
    company.company_record = -1;
    return 0;
  }
  if (!make_folder) return 1;
  // The company folder may exist already; a product folder copied without
  // R00 gets it, so the company files can be made in it.
  if (!PlatFolderExists(kCompanyFolderRoot)) PlatMakeFolder(kCompanyFolderRoot);
  std::string folder = kCompanyFolderRoot;
  folder.append("\\").append(stored);
  PlatMakeFolder(folder);
  return 1;
}

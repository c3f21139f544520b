#include "records/catalogue.h"

#include <cstdio>

#include "records/company.h"

std::string& CompanyFolderPath(std::string& out) {
  const std::string& code = Company().company_code;
  out.clear();
  if (!code.empty()) out.append(kCompanyFolderRoot).append("\\").append(code);
  return out;
}

std::string& CompanyFilePath(std::string& out, const std::string& file) {
  if (!CompanyFolderPath(out).empty()) out.append("\\").append(file);
  return out;
}

std::string& DocumentFilePath(std::string& out, int kind_code, int year) {
  std::string name = kind_code >= 'A' ? kDocumentPrefixHigh : kDocumentPrefixLow;
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", year % 10000);
  name.append(digits).append(".DAT");
  return CompanyFilePath(out, name);
}

int IsDocumentFileName(const std::string& name) {
  if (name.size() != 12 || name.compare(8, 4, ".DAT") != 0) return 0;
  if (name.compare(0, 4, kDocumentPrefixLow) != 0 && name.compare(0, 4, kDocumentPrefixHigh) != 0)
    return 0;
  return name.substr(4, 4).find_first_not_of("0123456789") == std::string::npos ? 1 : 0;
}

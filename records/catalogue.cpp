#include "records/catalogue.h"

#include <cstdio>

#include "records/company.h"

std::string& CompanyFilePath(std::string& out, const std::string& file) {
  const std::string& code = Company().company_code;
  out.clear();
  if (code.empty()) return out;
  out.append(kCompanyFolderRoot).append("\\").append(code).append("\\").append(file);
  return out;
}

std::string& DocumentFilePath(std::string& out, int kind_code, int year) {
  std::string name = kind_code >= 'A' ? kDocumentPrefixHigh : kDocumentPrefixLow;
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", year % 10000);
  name.append(digits).append(".DAT");
  return CompanyFilePath(out, name);
}

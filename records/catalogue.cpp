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

std::string& DocumentFilePath(std::string& out, int number) {
  const std::string& code = Company().company_code;
  out.clear();
  if (code.empty()) return out;
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", number);
  const char* prefix = Company().doc_kind_code >= 'A' ? kDocumentPrefixHigh : kDocumentPrefixLow;
  out.append(kCompanyFolderRoot).append("\\").append(code).append("\\").append(prefix);
  out.append(digits).append(".DAT");
  return out;
}

#include "records/company.h"

CompanyContext& Company() {
  static CompanyContext context;
  return context;
}

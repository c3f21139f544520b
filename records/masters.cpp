#include "records/masters.h"

#include "records/company.h"

namespace {

const std::string kNoName;

// A product-folder master: the name is needed only without a stream (a scan
// passes its stream for every field, and must not build a name each time).
int ReadMasterField(PlatStream* stream, int record, std::string& text, int field,
                    const char* file, const RecordLayout& layout) {
  if (stream) return ReadFieldFast(stream, record, text, field, kNoName, layout);
  return ReadFieldFast(nullptr, record, text, field, file, layout);
}

// A company-folder file: through the caller's stream, or by its path in the
// company folder (none without a company code).
int ReadCompanyFolderField(PlatStream* stream, int record, std::string& text, int field,
                           const char* file, const RecordLayout& layout) {
  if (stream) return ReadFieldFast(stream, record, text, field, kNoName, layout);
  std::string path;
  if (CompanyFilePath(path, file).empty()) {
    text.clear();
    return 0;
  }
  return ReadFieldFast(nullptr, record, text, field, path, layout);
}

}  // namespace

int ReadCompanyField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadMasterField(stream, record, text, field, kCompanyFile, kCompanyLayout);
}

int ReadSupplierField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadMasterField(stream, record, text, field, kSupplierFile, kSupplierLayout);
}

int ReadCustomerField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadMasterField(stream, record, text, field, kCustomerFile, kCustomerLayout);
}

int ReadSellerField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadCompanyFolderField(stream, record, text, field, kSellerFile, kSellerLayout);
}

int ReadPaymentField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadMasterField(stream, record, text, field, kPaymentFile, kPaymentLayout);
}

int ReadProductField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadCompanyFolderField(stream, record, text, field, kProductFile, kProductLayout);
}

int ReadCfopField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadMasterField(stream, record, text, field, kCfopFile, kCfopLayout);
}

int ReadPartyField(PlatStream* stream, int record, std::string& text, int field, int party) {
  if (party == kPartySupplier) return ReadSupplierField(stream, record, text, field);
  if (party == kPartyCustomer) return ReadCustomerField(stream, record, text, field);
  text.clear();
  return 0;
}

namespace {

// The situation of a master record normalised ("1", and for customers also
// "2" and "9", stay; anything else becomes "0") and compared with `wanted`.
int SituationMatches(std::string_view situation, int file_type, const std::string& wanted) {
  // Customers know two more situations than the other masters.
  bool kept = situation == "1" ||
              (file_type == kFileTypeCustomer && (situation == "2" || situation == "9"));
  if (wanted.empty()) return 1;
  return wanted == (kept ? situation : std::string_view("0")) ? 1 : 0;
}

// The field that holds the situation of a file type, or -1.
int SituationField(int file_type) {
  switch (file_type) {
    case kFileTypeSupplier:
    case kFileTypeCustomer:
      return kPersonSituation;
    case kFileTypeSeller:
      return kSellerSituation;
    case kFileTypeProduct:
      return kProductSituation;
    default:
      return -1;
  }
}

}  // namespace

int IsActiveRecord(PlatStream* stream, int record, int file_type, const std::string& wanted) {
  std::string situation;
  switch (file_type) {
    case kFileTypeSupplier:
      ReadSupplierField(stream, record, situation, kPersonSituation);
      break;
    case kFileTypeCustomer:
      ReadCustomerField(stream, record, situation, kPersonSituation);
      break;
    case kFileTypeSeller:
      ReadSellerField(stream, record, situation, kSellerSituation);
      break;
    case kFileTypeProduct:
      ReadProductField(stream, record, situation, kProductSituation);
      break;
    default:
      break;
  }
  return SituationMatches(situation, file_type, wanted);
}

int IsActiveInRecord(const RecordBuffer& r, int file_type, const std::string& wanted) {
  int field = SituationField(file_type);
  return SituationMatches(field < 0 ? std::string_view() : RecordFieldText(r, field), file_type,
                          wanted);
}

int ReadParentField(PlatStream* stream, int record, std::string& text, int field,
                    const std::string& document_file) {
  return ReadFieldFast(stream, record, text, field, document_file, kParentLayout);
}

#include "records/masters.h"

#include "records/company.h"

namespace {

constexpr char kQuoteKindKey[] = "54101";

std::string& QuoteKindKey(std::string& key, int /*kind*/) { return key.assign(kQuoteKindKey); }

KindKeySource g_kind_key_source = QuoteKindKey;

int ReadCompanyFolderField(const char* file, PlatStream* stream, int record, std::string& text,
                           int field, int record_length, WidthTable widths) {
  std::string path;
  if (!stream && CompanyFilePath(path, file).empty()) {
    text.clear();
    return 0;
  }
  return ReadField(stream, record, text, field, path, record_length, widths);
}

}  // namespace

int ReadCompanyField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadField(stream, record, text, field, kCompanyFile, kCompanyRecordLength, kCompanyWidths);
}

int ReadSupplierField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadField(stream, record, text, field, kSupplierFile, kSupplierRecordLength,
                   kSupplierWidths);
}

int ReadCustomerField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadField(stream, record, text, field, kCustomerFile, kCustomerRecordLength,
                   kCustomerWidths);
}

int ReadSellerField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadCompanyFolderField(kSellerFile, stream, record, text, field, kSellerRecordLength,
                                kSellerWidths);
}

int ReadPaymentField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadField(stream, record, text, field, kPaymentFile, kPaymentRecordLength, kPaymentWidths);
}

int ReadProductField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadCompanyFolderField(kProductFile, stream, record, text, field, kProductRecordLength,
                                kProductWidths);
}

int ReadCfopField(PlatStream* stream, int record, std::string& text, int field) {
  return ReadField(stream, record, text, field, kCfopFile, kCfopRecordLength, kCfopWidths);
}

int ReadPartyField(PlatStream* stream, int record, std::string& text, int field, int party) {
  if (party == kPartySupplier) return ReadSupplierField(stream, record, text, field);
  if (party == kPartyCustomer) return ReadCustomerField(stream, record, text, field);
  text.clear();
  return 0;
}

KindKeySource SetKindKeySource(KindKeySource source) {
  KindKeySource previous = g_kind_key_source;
  g_kind_key_source = source ? source : QuoteKindKey;
  return previous;
}

std::string& KindKeyOf(std::string& key, int kind) {
  key.clear();
  return g_kind_key_source(key, kind);
}

int ReadKindConfigField(std::string& text, int field, int kind) {
  text.clear();
  std::string kind_key;
  const std::string& code = Company().company_code;
  if (KindKeyOf(kind_key, kind).empty() || code.empty()) return 0;
  std::string key = code.substr(0, 10);
  key.resize(10, ' ');
  key.append(kind_key.substr(0, 10));
  key.resize(kKindConfigKeyWidth, ' ');
  int record = -1;
  if (!FindCodeInFile(key, kKindConfigFile, kKindConfigRecordLength, record, 0,
                      kKindConfigKeyWidth))
    return 0;
  return ReadField(nullptr, record, text, field, kKindConfigFile, kKindConfigRecordLength,
                   kKindConfigWidths);
}

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
  // Customers know two more situations than the other masters.
  bool kept = situation == "1" ||
              (file_type == kFileTypeCustomer && (situation == "2" || situation == "9"));
  if (!kept) situation = "0";
  return (wanted.empty() || wanted == situation) ? 1 : 0;
}

int ReadParentField(PlatStream* stream, int record, std::string& text, int field,
                    const std::string& document_file) {
  return ReadField(stream, record, text, field, document_file, kDocumentRecordLength,
                   kParentWidths);
}

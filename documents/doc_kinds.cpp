#include "documents/doc_kinds.h"

#include <cstdio>

#include "codecs/encoding.h"
#include "codecs/number.h"
#include "codecs/text.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

constexpr char kServiceOrderTitle[] = "Ordem de Serviço";
constexpr int kServiceOrderTitleLength = 16;
static_assert(sizeof(kServiceOrderTitle) - 1 == kServiceOrderTitleLength);
// Slot 104 reads 90 for the second kind of a fiscal-note job.
constexpr int kSecondKindMark = 90;

// Windows-1252 letters fold like Latin-1: titles typed in capitals carry "Ç"
// where the model has "ç", and both must name a service order.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return (unsigned char)(c - 'A' + 'a');
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return (unsigned char)(c + 0x20);
  return c;
}

bool BeginsWithNoCase(const std::string& text, const char* prefix, int length) {
  if ((int)text.size() < length) return false;
  for (int i = 0; i < length; ++i)
    if (FoldCase((unsigned char)text[(std::size_t)i]) != FoldCase((unsigned char)prefix[i]))
      return false;
  return true;
}

int KindField(const DocumentForm* main_window) {
  if (!main_window) return 0;
  std::string text;
  return ToInt(GetSlot(*main_window, kKindSlot, text, 2));
}

std::string& Keyed(std::string& key, const char* prefix, int digit, const char* suffix) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s%d%-2s", prefix, digit, suffix);
  return key.assign(buffer);
}

int DocKeyOfTitle(const std::string& title, int kind, int variant, std::string& key,
                  std::string& name) {
  const int mode = Company().job_mode;
  const int d = DocDirection();
  key.clear();
  name.clear();
  if (kind == kKindOther) {
    std::string head = title;
    CutAt(head, kServiceOrderTitleLength);
    if (mode == kModeServiceOrder ||
        BeginsWithNoCase(head, kServiceOrderTitle, kServiceOrderTitleLength))
      kind = kKindServiceOrder;
  }
  if (kind == kKindOrder) {
    Keyed(key, "54", d, "00");
    name = "Pedido";
  } else if (kind == kKindQuote || mode == kModePalm) {
    Keyed(key, "54", d, "01");
    name = "Orçamento";
  } else if (kind == kKindInvoice) {
    Keyed(key, "54", d, "02");
    name = "Fatura";
  } else if (kind == kKindServiceOrder && variant == kKeyConfig) {
    key = "291";
    name = "OS";
  } else if (kind >= 10 && kind <= 31 && variant == kKeyConfig) {
    key = "50" + std::to_string(d);
    name = "NF";
  } else if (kind == kKindServiceOrder && variant == kKeyNumbering) {
    key = "29";
    name = "OS";
  } else if ((kind == kKindNfe || kind == kKindNoteModel1) && variant == kKeyNumbering) {
    Keyed(key, "50", 0, kind == kKindNfe ? "55" : "01");
    name = kind == kKindNfe ? "NF-e" : "NF";
  } else if ((kind == kKindNfse || kind == kKindServiceNote) && variant == kKeyNumbering) {
    Keyed(key, "50", 1, kind == kKindNfse ? "55" : "01");
    name = kind == kKindNfse ? "NFS-e" : "NFS";
  } else {
    return 0;
  }
  return 1;
}

}  // namespace

int DocKind(const DocumentForm* main_window) {
  switch (Company().job_mode) {
    case 550:
    case 560: {
      int kind = KindField(main_window);
      return (kind >= kKindOrder && kind <= kKindInvoice) ? kind : kKindOrder;
    }
    case 551:
    case 561:
      return KindField(main_window) == kSecondKindMark ? 11 : 10;
    case 552:
    case 562:
      return KindField(main_window) == kSecondKindMark ? 21 : 20;
    case 553:
    case 563:
      return KindField(main_window) == kSecondKindMark ? 31 : 30;
    case 564:
      return kKindCoupon;
    case 530:
    case 540:
      return kKindNfe;
    default:
      return kKindOther;
  }
}

int DocDirection() {
  switch (Company().job_mode) {
    case 501:
    case 530:
    case 531:
    case 550:
    case 551:
    case 552:
    case 553:
    case 580:
      return kDirectionPurchase;
    default:
      return kDirectionSale;
  }
}

int PaymentType(const DocumentForm& form) {
  return ToInt(form.title.substr(0, 1));
}

int DocKey(const DocumentForm& form, int kind, int variant, std::string& key, std::string& name) {
  return DocKeyOfTitle(form.title, kind, variant, key, name);
}

int DocKey(int kind, int variant, std::string& key, std::string& name) {
  return DocKeyOfTitle(std::string(), kind, variant, key, name);
}

int FindDocConfig(const std::string& kind_key, int& record) {
  record = -1;
  if (kind_key.empty()) return 0;
  std::string key;
  AppendKeyPart(AppendKeyPart(key, Company().company_code), kind_key);
  if (FindCodeInFile(key, kKindConfigFile, kKindConfigRecordLength, record, 0,
                     kKindConfigKeyWidth))
    return 2;
  record = -1;
  return 1;
}

int ReadKindConfigField(std::string& text, int field, int kind) {
  text.clear();
  std::string key, name;
  DocKey(kind, kKeyConfig, key, name);
  int record = -1;
  if (Company().company_code.empty() || FindDocConfig(key, record) != 2) return 0;
  return ReadField(nullptr, record, text, field, kKindConfigFile, kKindConfigRecordLength,
                   kKindConfigWidths);
}

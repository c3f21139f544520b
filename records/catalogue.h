// The file catalogue: every record file Vri opens, its name and record
// length. Product-folder files are named by their bare names (relative to the
// product folder, the current folder after start-up); company files lie in
// R00\<company code>\ below it.
#pragma once

#include <string>

// Product folder, "C:\Kmar\%s" filled with "Vri".
inline constexpr char kProductFolderFormat[] = "C:\\Kmar\\%s";
inline constexpr char kProductName[] = "Vri";
inline constexpr char kProductFolder[] = "C:\\Kmar\\Vri";
// Parent of the company folders, relative to the product folder.
inline constexpr char kCompanyFolderRoot[] = "R00";

// Product folder.
inline constexpr char kCompanyFile[] = "F00R0.DAT";    // company master
inline constexpr char kSystemFile[] = "C11.DAT";       // first 10 bytes: record of the company used last
inline constexpr char kSupplierFile[] = "F01R0.DAT";
inline constexpr char kCustomerFile[] = "F02R1.DAT";
inline constexpr char kPaymentFile[] = "F14R0.DAT";
inline constexpr char kKindConfigFile[] = "F22R0.DAT";  // per company and document kind
inline constexpr char kCfopFile[] = "F25R0.DAT";        // operation codes
inline constexpr char kCounterFile[] = "F34.DAT";
inline constexpr char kSavedValueFile[] = "F37.DAT";
// Company folder.
inline constexpr char kSellerFile[] = "F08R0.DAT";
inline constexpr char kProductFile[] = "F15R1.DAT";
// Yearly document files: prefix, four-digit year, ".DAT".
inline constexpr char kDocumentPrefixLow[] = "L50A";   // kind codes below 65 ('0', '1')
inline constexpr char kDocumentPrefixHigh[] = "L54A";  // kind codes 65 and above ('A', 'B', 'C')

constexpr int kCompanyRecordLength = 1000;
constexpr int kSystemRecordWidth = 10;  // only the first 10 bytes are read
constexpr int kSupplierRecordLength = 814;
constexpr int kCustomerRecordLength = 1000;
constexpr int kPaymentRecordLength = 311;
constexpr int kKindConfigRecordLength = 1000;
constexpr int kCfopRecordLength = 557;
constexpr int kCounterRecordLength = 30;
constexpr int kSavedValueRecordLength = 400;
constexpr int kSellerRecordLength = 300;
constexpr int kProductRecordLength = 900;
constexpr int kDocumentRecordLength = 400;

// Keys: company code in the first 10 bytes of F00R0; company code (10) and
// kind key (10) in the first 20 of F22R0; CFOP number, 5 bytes at 51 of F25R0.
constexpr int kCompanyKeyWidth = 10;
constexpr int kKindConfigKeyWidth = 20;
constexpr int kCfopKeyOffset = 51;
constexpr int kCfopKeyWidth = 5;

// Writes "R00\<company code>" into out and returns it; an empty text when
// the company code is empty.
std::string& CompanyFolderPath(std::string& out);
// Writes "R00\<company code>\<file>" into out and returns it; an empty text
// when the company code is empty (so that opening it fails).
std::string& CompanyFilePath(std::string& out, const std::string& file);

// Writes "R00\<company code>\L50A<year>.DAT" (kind code below 65: '0',
// '1') or "...\L54A<year>.DAT" (65 and above: 'A', 'B', 'C'), the year as
// four digits ("%04d"); an empty text when the company code is empty. The
// one home of the document files' names. Returns out.
std::string& DocumentFilePath(std::string& out, int kind_code, int year);
// 1 when a bare file name is one DocumentFilePath makes (L50A or L54A, four
// digits, ".DAT").
int IsDocumentFileName(const std::string& name);

// The Sintegra report of one month: the printer library writes the file from
// the fiscal memory with the company identification typed in the dialog, and
// Vri puts its records into the fixed order and rewrites it.
//
// Portable: the fiscal printer dialog (and vri-batch) read their fields into a
// SintegraRequest, call the job and show what it returns.
#pragma once

#include <string>
#include <vector>

#include "fiscal/sintegra_layout.h"
#include "platform/platform.h"

// The one place the report is written.
inline constexpr const char* kSintegraFolder = "C:\\Kmar\\Arquivos";
inline constexpr const char* kSintegraPath = "C:\\Kmar\\Arquivos\\Sintegra.txt";
// Where the previous report waits while a new one is generated.
inline constexpr const char* kSintegraPreviousName = "Sintegra-anterior.txt";
inline constexpr const char* kSintegraPreviousPath = "C:\\Kmar\\Arquivos\\Sintegra-anterior.txt";

// The fields of a generation, by meaning: the month/year, the library's
// report selection, the folder the report goes to (only shown) and the
// company identification.
enum class SintegraField {
  kMonthYear,
  kReport,
  kFolder,
  kName,
  kStreet,
  kNumber,
  kComplement,
  kDistrict,
  kCity,
  kCep,
  kPhone,
  kFax,
  kContact,
};

// The texts of a generation, as typed (after the month/year and the CEP were
// normalised on leaving their fields); longer than their limits they are cut.
struct SintegraRequest {
  std::string month_year;  // '03/2026' or empty
  std::string report = "39";  // the library's report selection
  std::string name;
  std::string street;
  std::string number;
  std::string complement;
  std::string district;
  std::string city;
  std::string cep;         // '12345-678'
  std::string phone;
  std::string fax;
  std::string contact;
  // The version the loaded library gave at start-up. The printer library
  // stand-in says "Simulador" in it (and exports kEcfRehearsalMark whatever
  // its version): its report is a rehearsal's, and the previous report is
  // kept.
  std::string library_version;
};

// Each field of the generation, in one place: the most characters it takes
// (the generation cuts a longer text, the dialog's edit controls refuse more
// while typing and vri-batch refuses a longer option), where the request
// holds it and the vri-batch option that gives it. The folder is neither in
// the request nor an option: the report always goes to kSintegraFolder.
struct SintegraFieldInfo {
  SintegraField field;
  int limit;
  std::string SintegraRequest::*text;
  const char* option;
};
inline constexpr SintegraFieldInfo kSintegraFields[] = {
    {SintegraField::kMonthYear, 7, &SintegraRequest::month_year, "--month"},
    {SintegraField::kReport, 2, &SintegraRequest::report, "--report"},
    {SintegraField::kFolder, 100, nullptr, nullptr},
    {SintegraField::kName, 35, &SintegraRequest::name, "--name"},
    {SintegraField::kStreet, 34, &SintegraRequest::street, "--street"},
    {SintegraField::kNumber, 5, &SintegraRequest::number, "--number"},
    {SintegraField::kComplement, 22, &SintegraRequest::complement, "--complement"},
    {SintegraField::kDistrict, 15, &SintegraRequest::district, "--district"},
    {SintegraField::kCity, 30, &SintegraRequest::city, "--city"},
    {SintegraField::kCep, 9, &SintegraRequest::cep, "--cep"},
    {SintegraField::kPhone, 12, &SintegraRequest::phone, "--phone"},
    {SintegraField::kFax, 10, &SintegraRequest::fax, "--fax"},
    {SintegraField::kContact, 18, &SintegraRequest::contact, "--contact"},
};
// The limit of field (every field has one).
int SintegraLimitOf(SintegraField field);

// 1 when a library's version text says it is the printer library stand-in
// ("Simulador", in any case).
int IsRehearsalLibrary(const std::string& version);

// The text of field in request; nullptr for the folder, which the request
// does not hold (the report always goes to kSintegraFolder).
std::string* SintegraFieldText(SintegraRequest& request, SintegraField field);

// Field logic of the CEP field: the digits of its first 9 characters become
// '12345-678' (missing digits "0", digits after the eighth dropped), or the
// empty text when it has none. Never fails; returns text.
std::string& NormCep(std::string& text);

// Start-up step: asks the loaded library for its version. Returns 1 and the
// version text; 0 and the empty text after the library's message.
int SintegraVersion(PlatWindow owner, std::string& version);

// Generation: has the loaded library write the month's report at kSintegraPath,
// sorts and rewrites it. The previous report waits as kSintegraPreviousPath
// until the new one is whole and sorted, and is then removed; with the
// stand-in it stays there (back as Sintegra.txt at the next start) and a
// warning after the success message says the new file is a rehearsal's.
// Returns 1 after "Arquivo Sintegra.txt gerado com sucesso."; 0 after the
// message that
// stopped it: the previous report is then back as Sintegra.txt (or, with
// none, there is no Sintegra.txt), never the library's partial or unsorted
// file.
int SintegraGenerate(PlatWindow owner, const SintegraRequest& request);

// Puts back the previous report that a generation ended half-way left
// aside (kSintegraPreviousPath over kSintegraPath). Returns 1 when nothing
// waits aside or it is back; 0 after an error message (caption "Vri") when it
// could not be put back: it stays aside, and the next start tries again.
// Runs at the start of the fiscal job and of every generation.
int RestorePreviousSintegra(PlatWindow owner);

// The sort key of one line of the report (its line end removed): "60", its
// characters 4-31 and the order digit of its subtype (M 0, A 1, D 2, I 3,
// other 4) for type 60; else its first two characters and 29 blanks. Short
// lines are taken as blank-filled. Returns key.
std::string& SintegraSortKey(const std::string& line, std::string& key);

// Puts lines into report order, the rule written plainly: ascending by the
// text of sort key and whole line, ASCII letters folded to upper case and
// bytes compared unsigned; lines of equal texts keep their order. Never
// fails.
void SortSintegraLines(std::vector<std::string>& lines);

// SortSintegraLines fast, as SortSintegraFile sorts: each line's comparison
// text is built once and its first bytes settle nearly every comparison.
// Same order as SortSintegraLines. Never fails.
void SortSintegraLinesFast(std::vector<std::string>& lines);

// Reads the report at path, sorts its lines and replaces it through a synced
// temporary file in the same folder, every line ending in CR LF. Returns 1; 0
// after a message (caption "Vri") when it cannot be read, is empty, or the
// sorted file cannot be written, leaving the file as it was. `kept` ends the
// message of a failed write: what became of the file.
int SortSintegraFile(PlatWindow owner, const std::string& path,
                     const char* kept = "O arquivo ficou como estava.");

// The temporary file beside path that SortSintegraFile writes before it takes
// the file's place: path with ".tmp" after it. Only a sort ended half-way
// leaves it behind.
std::string SintegraSortTemporary(const std::string& path);

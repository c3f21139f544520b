// The Palm export: the company's master data as the sixteen fixed-width text
// files that the "1 - OnSoft" sales-force application loads on the handheld.
// A portable job over the company context, an exchange folder and the seller
// list; the Palm dialog and vri-batch only gather these and call it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "palm/palm_files.h"
#include "palm/palm_layout.h"
#include "platform/platform.h"

// The only layout the exchange knows.
constexpr int kPalmLayoutOnSoft = 1;
inline constexpr char kPalmLayoutOnSoftText[] = "1 - OnSoft";

inline constexpr char kPalmExportCaption[] = "Exportar";
inline constexpr char kPalmExportDone[] = "Arquivo Palm gerado.";
inline constexpr char kPalmFileError[] = "Erro ao abrir arquivo Palm.";
inline constexpr char kPalmExportNoCompany[] =
    "Empresa não encontrada no arquivo F00R0.DAT. Nenhum arquivo foi gerado.";

// What an export wrote: the lines of each table, in kPalmTables order, and
// the masters that were missing (their tables are empty), as the product
// names them.
struct PalmExportSummary {
  long long lines[kPalmTableCount] = {};
  std::vector<std::string> missing;
};

// The layout number at the start of a layout text ("1 - OnSoft" gives 1);
// 0 when the text does not begin with a number.
int PalmLayoutNumber(const std::string& text);

// Compares two texts as the seller list orders names: letter case and the
// accents of Windows-1252 letters are ignored ("é" sorts as "e"); bytes that
// are not letters compare by value. Negative, 0 or positive.
int ComparePalmNames(std::string_view a, std::string_view b);

// The seller list of the company: one entry per seller of F08R0.DAT that is
// neither deleted nor marked "1" in its situation field, reading the first
// five characters of the code, a blank and the first 30 characters of the
// name (trailing blanks removed); ordered by name (ComparePalmNames over the
// 40-character name), then by code, then by record. A missing or unreadable
// seller file gives an empty list. Returns `sellers`.
std::vector<std::string>& BuildSellerList(std::vector<std::string>& sellers);

// Writes the sixteen tables of layout `layout` into `folder` from the
// masters of the company in the context, with one stock line per product
// and entry of `sellers`, and shows the outcome (caption "Exportar"):
// returns 1 after "Arquivo Palm gerado." (also for a layout other than 1,
// which writes nothing). All or nothing: the tables are written under
// temporary names of this run; only when all sixteen are complete are the
// old ones moved aside and the new ones put in place, and a failure at any
// step puts every old table back. Returns 0 after "Erro ao ler o arquivo
// <name>." when a master exists but cannot be opened or read (a missing
// master gives an empty table), or "Erro ao abrir arquivo Palm." when an
// export file could not be created, written or put in place (the message's
// detail names the file and the reason); the old tables then stay as they
// were and no file of the run is left, except when even putting an old table
// back failed: the run's journal then stays and the next export undoes it
// first. Before it writes anything, an export finishes or undoes a run left
// half-way and removes the files of runs that have ended; it finishes or
// undoes one left half-way meanwhile again before it puts its tables in place.
// With no company loaded it stops before anything is touched, after
// kPalmExportNoCompany. `owner` owns the message box (nullptr: the active
// window). `summary` says what was written (left empty on a failure).
int PalmExport(PlatWindow owner, const std::string& folder, int layout,
               const std::vector<std::string>& sellers, PalmExportSummary& summary);
int PalmExport(PlatWindow owner, const std::string& folder, int layout,
               const std::vector<std::string>& sellers);

// What an export does first in `folder`: finishes or undoes, from its
// journal VriExport.jnl, a run ended while it put its tables in place, then
// removes the files of every run that has ended (its own lock free). 1 when
// nothing is left to do; 0 when a table could not be put back (`detail`
// says which). Shows nothing.
int FinishPalmExport(const std::string& folder, std::string& detail);
int FinishPalmExport(const std::string& folder);

// The files of the Palm exchange folder: the sixteen tables the export
// writes, the order files the import reads and sets aside, and the export's
// own temporary files and journal. Every name in the folder is made here.
#pragma once

#include <string>

inline constexpr char kPalmDefaultFolder[] = "C:\\Palm";
// The dialog's folder field holds at most this many characters.
constexpr int kPalmFolderMax = 49;

// The tables in the order they are written (the four product tables come
// from one pass over the products), by name and as they are numbered below.
enum PalmTable {
  kPalmFornecedor, kPalmCliente, kPalmProduto, kPalmTabPrecoProduto, kPalmEstoque, kPalmProdutoAdic,
  kPalmVendedor, kPalmCondicao, kPalmTipoOperacao, kPalmCategoria, kPalmGrupoProduto,
  kPalmTabCondicao, kPalmSubGrupoProduto, kPalmTabPreco, kPalmRota, kPalmRegiao, kPalmTableCount
};
inline constexpr const char* kPalmTables[kPalmTableCount] = {
    "Fornecedor", "Cliente",  "Produto",      "TabPreco_Produto", "Estoque",     "Produto_Adic",
    "Vendedor",   "Condicao", "TipoOperacao", "Categoria",        "GrupoProduto", "TabCondicao",
    "SubGrupoProduto", "TabPreco", "Rota",    "Regiao"};

// Order files: read, then set aside as .bak in this order.
inline constexpr const char* kPalmOrderFiles[4] = {"Cabecalho", "Itens", "Positivacao",
                                                   "ObservacaoExtendida"};

// Extension of a table or order file, and of an order file set aside.
inline constexpr char kPalmTextExtension[] = "txt";
inline constexpr char kPalmAsideExtension[] = "bak";

// "<folder>\<table>.<extension>": the name of an exchange file. Returns out.
std::string& PalmFilePath(std::string& out, const std::string& folder, const char* table,
                          const char* extension);

// 1 when the exchange folder holds an order file to import (Cabecalho.txt
// or Itens.txt).
int PalmHasOrderFiles(const std::string& folder);

// The subfolder of the exchange folder where every order file an import
// sets aside is also kept under a dated name, so that the next import
// replacing the .bak loses nothing: "<folder>\Vri-importados".
inline constexpr char kPalmKeptFolder[] = "Vri-importados";
std::string& PalmKeptFolderPath(std::string& out, const std::string& folder);

// "<folder>\Vri-importados\<table>-<stamp>.txt", stamp "AAAAMMDD-HHMMSS"
// of the import; from `copy` 2 on "<table>-<stamp>-<copy>.txt", for a name
// already taken. Returns out.
std::string& PalmKeptPath(std::string& out, const std::string& folder, const char* table,
                          const std::string& stamp, int copy);

// "<folder>\~<table>.<tag>.tmp": the table as an export run writes it before
// putting it in place; tag is the run's number. Returns out.
std::string& PalmTemporaryPath(std::string& out, const std::string& folder, const char* table,
                               const std::string& tag);

// "<folder>\~<table>.<tag>.old": the table as it was, moved aside by the
// run `tag` while it puts its own in place. Returns out.
std::string& PalmAsidePath(std::string& out, const std::string& folder, const char* table,
                           const std::string& tag);

// "<folder>\VriExport.jnl": the journal of an export run putting its tables
// in place. Returns out.
std::string& PalmJournalPath(std::string& out, const std::string& folder);

// "<folder>\VriExport.lck": held by the export that puts its tables in
// place, finishes a run left half-way or sweeps dead runs' files, so only
// one does at a time. Never deleted. Returns out.
std::string& PalmExportLockPath(std::string& out, const std::string& folder);

// "<folder>\~VriExport.<tag>.lck": held by the run `tag` for as long as it
// lives; a run whose lock can be taken has ended. Returns out.
std::string& PalmRunLockPath(std::string& out, const std::string& folder, const std::string& tag);

// 1 and the run's number when `name` (a bare file name) is one of the names
// an export run makes for itself: its temporary and set-aside tables and its
// run lock; 0 for every other name.
int PalmRunTagOf(const std::string& name, std::string& tag);

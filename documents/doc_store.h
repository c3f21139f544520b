// The document store: writes one document into the company's yearly
// document file (documents/document_layout.h) as the larger product does:
// the next number of its kind, the parent record, one item record per item
// line with its amounts and taxes, the remark record, and the links from the
// parent to its last item and its remark. Each record is written whole in
// its own open, write, close cycle under FOpen2's busy-file wait; there is
// no lock over a whole document.
#pragma once

#include <string>
#include <vector>

#include "codecs/date.h"
#include "documents/doc_journal.h"
#include "documents/document_form.h"

// SaveDoc reads the order's header slots and, through ItemTaxes, the amount
// slots of the form (documents/document_form.h).

// Child types of SavePai.
constexpr char kChildItem = '1';
constexpr char kChildRemark = '2';
constexpr int kSavePaiLink = 0;  // the only mode: store the child's number in the parent

// What a run that saves many documents (an import) keeps from one to the
// next: the highest document number in use in each document file for each
// kind letter and direction, read from the file once per run and raised by
// every number drawn, and the counters already reported as mended.
struct DocNumbering {
  struct InUse {
    std::string file;
    char kind_letter = 0;
    int direction = 0;
    long highest = 0;
  };
  std::vector<InUse> in_use;
  std::vector<std::string> warned;  // counter keys (company code, kind key)
};

// What the caller gives SaveDoc beside the form: the parent's values that
// the form does not hold, and the run the document belongs to. Texts are cut
// to their parent fields.
struct SaveDocRequest {
  DateRec issue_date;         // parent field 4; its year names a sale's document file
  DateRec second_date;        // parent field 11, year 0: none; its year names a purchase's file
  std::string customer_code;  // parent field 5, 10 characters
  std::string seller_code;    // parent field 22, 5 characters
  std::string code1;          // parent field 6, 2 characters
  std::string code2;          // parent field 7, 4 characters
  std::string code3;          // parent field 8, 3 characters
  std::string code4;          // parent field 12, 4 characters
  int flag = 0;               // parent field 20; outside 0..2 written as 0
  DocJournal* journal = nullptr;      // announces every record before it is written
  DocNumbering* numbering = nullptr;  // the run; nullptr: a run of its own
};

// Saves the document of the form, with the kind and direction of the job
// (DocKind, DocDirection), into the document file of its kind letter and
// year (DocumentFilePath).
// The document is written whole or not at all: every record (parent, items,
// remark) and link is announced in request.journal (when given) before it
// is written, and when any of them fails, every record this call wrote is
// freed with the status byte '+' and the number drawn stays a gap.
// The number is never one that a live document of the same kind letter and
// direction already has in the document file: a counter that is no number
// or lies below the highest of them goes on from there (GetCodeCad2 with a
// floor), with its warning once per counter in request.numbering.
// Returns the record number of the parent (0 or more) with `number` the
// document number taken; -1 when no document was left: the product file is
// there but cannot be read ("Erro ao ler o arquivo de produtos.", caption
// "SaveDoc", error icon), the document file is there but cannot be read for
// its numbers ("Erro ao ler o arquivo de documentos.", same caption and
// icon), the document file could not be opened (FOpen2's message), no
// number could be taken (GetCodeCad2's message; also "Documento sem chave de
// numeração." caption "SaveDoc" for a kind without a numbering key), a
// record did not reach the file or could not be announced ("Erro ao gravar o
// registro do documento.", caption "SaveDoc", error icon) or a link failed
// (SavePai's message). When the records written could not all be freed,
// "Erro ao desfazer a gravação do documento incompleto; ele será desfeito na
// próxima importação." (caption "SaveDoc", error icon) follows: the journal
// still holds them.
int SaveDoc(DocumentForm& form, const SaveDocRequest& request, long& number);

// Mode 0: stores child_number in parent record parent_number of
// document_file, in the last-item position (field 31) for child type '1'
// and the remark position (field 32) for any other type: left-aligned in 10
// when it is greater than parent_number, else 10 blanks. Returns 1; 0 after
// "Erro ao atualizar o registro pai." (caption "SavePai", error icon) when
// the file cannot be opened for update, the position lies outside it, the
// write did not reach it or the mode is not 0.
int SavePai(const DocumentForm& form, const std::string& document_file, char child_type,
            int parent_number, int child_number, int mode);

// Kind letter of the parent record: kind 0 'B', 1 'A', 2 'C', 11, 21 and 31
// '1', every other kind '0'.
char KindLetter(int kind);

// The highest document number that a live parent of `kind_letter` and
// `direction` holds in the document file `path` (0: none; a missing file
// holds none). 1, or 0 when the file is there but cannot be read whole.
int HighestDocNumber(const std::string& path, char kind_letter, int direction, long& highest);

// Tax codes of an item from its product's IPI CST (field 53) or PIS / COFINS
// CST (fields 54, 55), for direction 1 (sale) or 0 (purchase), as two digits.
// An empty code stays empty; so does a PIS / COFINS code of at most 3 when
// the operation is not taxed (taxed 0). Returns out.
std::string& MapIpiCst(const std::string& code, int direction, std::string& out);
std::string& MapPisCofinsCst(const std::string& code, int direction, int taxed,
                             std::string& out);

// vri-batch [--root DIR] [--company CODE] [--messages FILE] COMMAND [options]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "platform/message_sink.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "shell/startup.h"

namespace {

std::string g_company = "00001";
bool g_company_given = false;  // --company: that company or none
std::string g_company_loaded;  // the company StartUp loaded, for the log
std::string g_messages_file;  // full path, from the start folder
std::string g_message_fields;  // more members of the JSON lines, while set
int g_errors = 0;

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out.push_back((char)c);
        }
    }
  }
  return out + "\"";
}

// The local time as ISO 8601 ("2026-03-31T14:05:09").
std::string IsoNow() {
  PlatLocalTime t = PlatNow();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year % 10000, t.month % 100,
                t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
  return text;
}

// One JSON line in the --messages file; every text in UTF-8. Each line says
// when and for which company (empty before one is loaded), so the file is a
// log a scheduled task can be judged by.
void LogJson(const std::string& icon, const std::string& caption, const std::string& text,
             const std::string& detail, const std::string& more = std::string()) {
  if (g_messages_file.empty()) return;
  std::ofstream log(g_messages_file, std::ios::app | std::ios::binary);
  log << "{\"icon\": \"" << icon << "\", \"caption\": " << JsonString(caption)
      << ", \"text\": " << JsonString(text);
  if (!detail.empty()) log << ", \"detail\": " << JsonString(detail);
  if (!g_message_fields.empty()) log << ", " << g_message_fields;
  if (!more.empty()) log << ", " << more;
  log << ", \"time\": \"" << IsoNow() << "\", \"company\": " << JsonString(Cp1252ToUtf8(g_company_loaded))
      << "}\n";
}

// A message as one line on standard error, its detail below it, and a JSON line.
void Emit(PlatIcon icon, const std::string& caption, const std::string& text,
          const std::string& detail) {
  if (icon == PlatIcon::kError) ++g_errors;
  PrintErr(MessageLine(icon, OneLine(caption), OneLine(ShownPath(text))));
  if (!detail.empty()) PrintErr("detalhe: " + OneLine(detail));
  LogJson(IconName(icon), Cp1252ToUtf8(caption), Cp1252ToUtf8(ShownPath(text)),
          Cp1252ToUtf8(detail));
}

// Every message box of the dialogs becomes an output line (and a JSON line),
// with the detail the core gave it.
void PrintMessage(const PlatMessage& m) { Emit(m.icon, m.caption, m.text, m.detail); }

int UsageErrorUtf8(const std::string& utf8) {
  PrintErrUtf8("vri-batch: " + Cp1252ToUtf8("erro de uso: ") + utf8);
  PrintErr("Veja \"vri-batch --help\" ou \"vri-batch COMANDO --help\". Nada foi feito.");
  LogJson(IconName(PlatIcon::kError), "vri-batch", utf8, "");
  return kExitUsage;
}

// The --messages file from the start folder, whatever folder the job moves to.
std::string MessagesPath(const std::string& typed) { return ShownPath(TypedPath(typed)); }

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

int UsageError(const std::string& text) { return UsageErrorUtf8(Cp1252ToUtf8(text)); }

int ErrorsShown() { return g_errors; }

void SetMessageFields(const std::string& json_members) { g_message_fields = json_members; }

std::string JsonMember(const std::string& name, const std::string& cp1252) {
  return JsonString(name) + ": " + JsonString(Cp1252ToUtf8(cp1252));
}

int StartUpFolder() { return SetWorkFolder("Vri"); }

namespace {

// Loads the company given with --company (that one or none) or, without it,
// start-up's company; prints the company loaded. `asked` is the code looked
// for, five digits. 1 when one is loaded; 0 with nothing printed.
int LoadBatchCompany(int make_folder, std::string& asked) {
  FormatCode(asked, DecimalValue(g_company));
  Company().company_code = g_company;
  if (!LoadCompany(g_company_given ? kLoadExact : kLoadLookUp, make_folder)) return 0;
  g_company_loaded = Trimmed(Company().company_code);
  PrintOut("empresa: " + g_company_loaded + " (registro " +
           std::to_string(Company().company_record) + " do F00R0.DAT)");
  return 1;
}

}  // namespace

int LoadCompanyReadOnly(std::string& asked) { return LoadBatchCompany(0, asked); }

int StartUp(int job_mode, int make_folder) {
  Company().job_mode = job_mode;
  if (!StartUpFolder()) return 0;
  std::string asked;
  if (!LoadBatchCompany(make_folder, asked)) {
    PrintOut("empresa: nenhuma carregada");
    if (!g_company_given) {
      Emit(PlatIcon::kWarning, "vri-batch",
           "A empresa " + asked +
               " não está no F00R0.DAT e o C11.DAT não indica a empresa usada por último.",
           "");
      return 1;
    }
    // A mistyped code never falls back to another company's files.
    std::string folder;
    PlatGetCurrentFolder(folder);
    Emit(PlatIcon::kError, "vri-batch",
         "A empresa " + asked +
             " não está no F00R0.DAT. Nada foi feito; confira o código dado em --company.",
         "procurada em " + ShownPath(PlatNativePath(folder + "\\" + kCompanyFile)));
    return 0;
  }
  if (DecimalValue(g_company_loaded) != DecimalValue(g_company)) {
    Emit(PlatIcon::kWarning, "vri-batch",
         "A empresa " + asked +
             " não está no F00R0.DAT; foi carregada a empresa usada por último (C11.DAT): " +
             g_company_loaded + ".",
         "");
  }
  return 1;
}

namespace {

int RunCommandLine(int argc, char** argv) {
  std::vector<std::string> args;
  int bad_index = 0;
  std::string bad_utf8;
  int arguments_ok = ReadArguments(argc, argv, args, bad_index, bad_utf8);
  // --messages first (the last one given), so that even a usage error
  // reaches the file.
  std::string messages;
  for (std::size_t k = 0; k + 1 < args.size(); ++k) {
    const std::string& a = args[k];
    if (a == "--messages") {
      messages = MessagesPath(args[++k]);
    } else if (a == "--root" || a == "--company") {
      ++k;
    } else if (a.empty() || a[0] != '-') {
      break;
    }
  }
  if (!messages.empty()) {
    std::ofstream probe(messages, std::ios::app | std::ios::binary);
    if (!probe)
      return UsageError("--messages: o arquivo " + messages +
                        " não pode ser aberto para acrescentar linhas (a pasta existe?)");
    g_messages_file = messages;
  }
  if (!arguments_ok) {
    std::string which = "o argumento " + std::to_string(bad_index);
    if (bad_index >= 2 && args[(std::size_t)bad_index - 2].compare(0, 2, "--") == 0)
      which += " (valor de " + args[(std::size_t)bad_index - 2] + ")";
    return UsageErrorUtf8(Cp1252ToUtf8(which +
                                       " tem um caractere que não existe no Windows-1252 "
                                       "(a página de código do Vri): ") +
                          bad_utf8);
  }

  std::string root;
  if (const char* env = std::getenv("VRI_ROOT")) root = env;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--root" || a == "--company" || a == "--messages") {
      if (i + 1 >= args.size() || args[i + 1].empty())
        return UsageError(a + " precisa de um valor");
      const std::string& v = args[++i];
      if (a == "--root") {
        root = v;
      } else if (a == "--company") {
        if (v.find_first_not_of("0123456789") != std::string::npos)
          return UsageError("--company aceita só algarismos (recebeu " + v + ")");
        g_company = v;
        g_company_given = true;
      }
    } else if (IsHelpWord(a)) {
      std::string command = i + 1 < args.size() ? args[i + 1] : "";
      std::string help = HelpText(command);
      if (help.empty()) help = HelpText("");
      PrintOut(help.substr(0, help.size() - 1));
      return kExitSuccess;
    } else if (a == "--version" || a == "-V") {
      PrintOut(VersionText());
      return kExitSuccess;
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("opção desconhecida: " + a);
    } else {
      break;
    }
  }
  if (i >= args.size()) return UsageError("falta o comando (palm-export, palm-import, sintegra, sintegra-sort, sintegra-check ou doctor)");
  std::string command = args[i];
  std::vector<std::string> rest(args.begin() + (long)i + 1, args.end());
  std::string help = HelpText(command);
  if (help.empty()) return UsageError("comando desconhecido: " + command);
  for (const std::string& word : rest) {
    if (word == "--help" || (IsHelpWord(word) && &word == &rest.front())) {
      PrintOut(help.substr(0, help.size() - 1));
      return kExitSuccess;
    }
  }

  // sintegra-sort and sintegra-check work on the file given, and nothing of
  // the product folder: they need no root.
  bool product_data = command != "sintegra-sort" && command != "sintegra-check";
#ifdef _WIN32
  // On Windows C: is C: unless a root is given.
  (void)product_data;
#else
  if (root.empty() && product_data)
    return UsageError("falta a pasta que faz as vezes do C: (--root PASTA ou a variável VRI_ROOT)");
#endif
  // From the start folder, before the job moves to the product folder.
  if (!root.empty()) PlatSetDriveRoot(ShownPath(TypedPath(root)));

  MessageSink sink(PrintMessage);
  if (command == "palm-export") return RunPalmExport(rest);
  if (command == "palm-import") return RunPalmImport(rest);
  if (command == "sintegra") return RunSintegra(rest);
  if (command == "sintegra-sort") return RunSintegraSort(rest);
  if (command == "sintegra-check") return RunSintegraCheck(rest);
  if (command == "doctor") return RunDoctor(rest);
  return UsageError("comando desconhecido: " + command);
}

}  // namespace

// Exit status a scheduler can trust: 0 only when the job succeeded and no
// error message was shown on the way; the run's last JSON line says how it
// ended, whatever the status.
int main(int argc, char** argv) {
  int status = RunCommandLine(argc, argv);
  if (status == kExitSuccess && ErrorsShown() > 0) status = kExitFailed;
  LogJson(IconName(PlatIcon::kInformation), "vri-batch",
          Cp1252ToUtf8("Fim: código de saída " + std::to_string(status) + "."), "",
          "\"exit\": " + std::to_string(status));
  return status;
}

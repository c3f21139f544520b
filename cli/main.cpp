// vri-batch [--root DIR] [--company CODE] [--messages FILE] COMMAND [options]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "platform/testing.h"
#include "records/company.h"
#include "shell/startup.h"

namespace {

const char kUsage[] =
    "usage: vri-batch [--root DIR] [--company CODE] [--messages FILE] COMMAND [options]\n"
    "commands:\n"
    "  palm-export [--folder DIR]\n"
    "  palm-import [--folder DIR]\n"
    "  sintegra --month MM/YYYY [--report N] [--name T] [--street T] [--number T]\n"
    "           [--complement T] [--district T] [--city T] [--cep T] [--phone T] [--fax T]\n"
    "           [--contact T] [--library PATH]\n"
    "  sintegra-sort FILE\n";

std::string g_start_folder;
std::string g_company = "00001";
std::string g_messages_file;
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

// Every message box of the dialogs becomes an output line (and a JSON line).
void PrintMessage(const RecordedMessage& m) {
  if (m.icon == PlatIcon::kError) ++g_errors;
  std::string caption = Cp1252ToUtf8(m.caption), text = Cp1252ToUtf8(m.text);
  std::cerr << IconName(m.icon) << " [" << caption << "] " << text << std::endl;
  if (!g_messages_file.empty()) {
    std::ofstream log(g_messages_file, std::ios::app | std::ios::binary);
    log << "{\"icon\": \"" << IconName(m.icon) << "\", \"caption\": " << JsonString(caption)
        << ", \"text\": " << JsonString(text) << "}\n";
  }
}

bool IsAbsolute(const std::string& p) {
  if (p.empty()) return false;
  if (p[0] == '/' || p[0] == '\\') return true;
  return p.size() >= 2 && p[1] == ':';
}

}  // namespace

int UsageError(const std::string& text) {
  std::cerr << "vri-batch: " << text << "\n" << kUsage;
  return kExitUsage;
}

int ErrorsShown() { return g_errors; }

std::string StartFolderPath(const std::string& path) {
  if (IsAbsolute(path) || g_start_folder.empty()) return path;
  std::string out = g_start_folder;
  if (out.back() != '\\' && out.back() != '/') out.push_back('\\');
  return out + path;
}

int StartUp(int job_mode) {
  Company().job_mode = job_mode;
  Company().company_code = g_company;
  if (!SetWorkFolder("Vri")) return 0;
  LoadCompany(kLoadLookUp);
  return 1;
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string root;
  if (const char* env = std::getenv("VRI_ROOT")) root = env;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--root" || a == "--company" || a == "--messages") {
      if (i + 1 >= args.size()) return UsageError(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--root") root = v;
      else if (a == "--company") g_company = Utf8ToCp1252(v);
      else g_messages_file = v;
    } else if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return kExitSuccess;
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option " + a);
    } else {
      break;
    }
  }
  if (i >= args.size()) return UsageError("no command given");
  std::string command = args[i];
  std::vector<std::string> rest;
  for (std::size_t k = i + 1; k < args.size(); ++k) rest.push_back(Utf8ToCp1252(args[k]));

#ifdef _WIN32
  // On Windows C: is C: unless a root is given.
#else
  if (root.empty()) return UsageError("no root folder: give --root DIR or set VRI_ROOT");
#endif
  if (!root.empty()) PlatSetDriveRoot(root);
  PlatGetCurrentFolder(g_start_folder);

  MessageSink sink(PrintMessage);
  if (command == "palm-export") return RunPalmExport(rest);
  if (command == "palm-import") return RunPalmImport(rest);
  if (command == "sintegra") return RunSintegra(rest);
  if (command == "sintegra-sort") return RunSintegraSort(rest);
  return UsageError("unknown command " + command);
}

// The reasons behind the terse messages of the core, for the detail that
// vri-batch prints: what is at a path, in the technician's words. Portable,
// over the seam; the Win32 and POSIX differences are in what a library is.
#include "platform/trouble.h"

#include <cstdint>
#include <string>

namespace {

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | (unsigned char)b[at + (std::size_t)k];
  return v;
}

// The path for the detail line: as the system sees it when a root is in force.
std::string Shown(const std::string& path) {
  std::string native = PlatShownPath(path);
  std::string typed = PlatUnmarkedPath(path);
  if (native == typed) return typed;
  return typed + " (" + native + ")";
}

// What the file holds, or the empty text when it looks like a library this
// program can load.
std::string Kind(const std::string& head) {
  if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z') {
    if (head.size() < 0x40) return "o arquivo está incompleto (não é uma DLL válida)";
    std::uint32_t pe = Le(head, 0x3C, 4);
    if (pe + 24 > head.size() || head.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
      return "não é uma biblioteca do Windows de 32 bits (um programa antigo do DOS?)";
    std::uint32_t machine = Le(head, pe + 4, 2);
    std::uint32_t flags = Le(head, pe + 22, 2);
    if (machine == 0x8664 || machine == 0xAA64)
      return "é uma biblioteca de 64 bits; o Vri só carrega a Bemafi32.dll de 32 bits do "
             "fabricante";
    if (machine != 0x14C) return "é uma biblioteca para outro processador";
    if (!(flags & 0x2000)) return "é um programa, não uma biblioteca";
#if defined(_WIN32)
    return "";
#else
    return "é uma DLL do Windows; fora do Windows o vri-batch usa o simulador libbemafi32.so";
#endif
  }
  if (head.size() >= 5 && head.compare(0, 4, "\x7F" "ELF") == 0) {
#if defined(_WIN32)
    return "é uma biblioteca do Linux, não uma DLL do Windows";
#else
    int bits = head[4] == 2 ? 64 : 32;
    if (bits != (int)sizeof(void*) * 8)
      return "é uma biblioteca de " + std::to_string(bits) + " bits; este vri-batch é de " +
             std::to_string(sizeof(void*) * 8) + " bits";
    return "";
#endif
  }
  if (head.empty()) return "o arquivo está vazio (não é uma biblioteca)";
  return "o arquivo não é uma biblioteca (conteúdo inválido)";
}

}  // namespace

std::string PlatUnmarkedPath(const std::string& path) {
  std::string out = path;
  for (std::size_t at; (at = out.find("\\\\?\\")) != std::string::npos;) out.erase(at, 4);
  return out;
}

std::string PlatShownPath(const std::string& path) { return PlatUnmarkedPath(PlatNativePath(path)); }

std::string LibraryTrouble(const std::string& path) {
  std::string reason = PlatLastError();  // first, before anything else can change it
  std::string file = path;
  if (path.find_first_of("\\/") == std::string::npos) {
    if (!PlatSearchLibrary(path, file)) {
      return path +
             " não foi encontrada: nem na pasta do vri-batch.exe, nem na pasta do sistema "
             "(SysWOW64 no Windows de 64 bits), nem na pasta atual, nem no PATH" +
             (reason.empty() ? "" : " (" + reason + ")");
    }
  }
  if (!PlatFileExists(file)) {
    if (PlatFolderExists(file)) return Shown(file) + ": é uma pasta, não um arquivo";
    return Shown(file) + ": o arquivo não existe";
  }
  PlatStream* s = PlatOpen(file, PlatOpenMode::kRead);
  if (!s) return Shown(file) + ": acesso negado (o arquivo não pôde ser lido)";
  std::string head(65536, '\0');
  head.resize(PlatRead(s, head.data(), head.size()));
  PlatClose(s);
  std::string kind = Kind(head);
  if (kind.empty()) {
    kind = "o sistema não a carregou";
    if (!reason.empty()) kind += " (" + reason + ")";
    kind += "; pode faltar outra biblioteca de que ela depende";
  }
  return Shown(file) + ": " + kind;
}

std::string FolderTrouble(const std::string& folder) {
  if (PlatFolderExists(folder))
    return Shown(folder) + ": a pasta existe, mas não pôde ser usada (acesso negado?)";
  if (PlatFileExists(folder)) return Shown(folder) + ": é um arquivo, não uma pasta";
  return Shown(folder) + ": a pasta não existe";
}

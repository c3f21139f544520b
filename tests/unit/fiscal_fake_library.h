// A fake printer library behind the platform seam: loading, lookups and the
// three functions answer from FakeEcf(), and every call is counted, so the
// binding and the Sintegra job are tested without any library file.
#pragma once

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fiscal/ecf_binding.h"
#include "platform/platform.h"

struct FakeEcfState {
  bool load_fails = false;
  int free_result = 1;
  std::set<std::string> missing;  // export names the library lacks

  int version_code = 1;
  std::string version = "7.1.0 Fake";

  int status_code = 1;
  int ack = kEcfAck;
  int st1 = 0;
  int st2 = 0;

  int sintegra_code = 1;
  bool write_file = true;
  std::string file_bytes;  // what the library writes at the path it is given
  // >= 0: the library stops after this many bytes of the file, whatever it
  // returns (a library failing half-way)
  long torn_at = -1;

  // What the library saw.
  int loads = 0;
  int frees = 0;
  int lookups = 0;
  int status_calls = 0;
  int sintegra_calls = 0;
  int sintegra_report = 0;
  std::vector<std::string> sintegra_texts;  // path, month, year, name ... contact
  std::string loaded_path;
};

inline FakeEcfState& FakeEcf() {
  static FakeEcfState state;
  return state;
}

namespace fake_ecf {

inline char kHandle;

inline int VRI_ECF_CALL Version(char* buffer) {
  FakeEcfState& f = FakeEcf();
  if (f.version_code == 1) {
    std::string v = f.version.substr(0, kEcfVersionBufferSize - 1);
    v.copy(buffer, v.size());
    buffer[v.size()] = '\0';
  }
  return f.version_code;
}

inline int VRI_ECF_CALL Status(int* ack, int* st1, int* st2) {
  FakeEcfState& f = FakeEcf();
  ++f.status_calls;
  if (f.status_code == 1) {
    *ack = f.ack;
    *st1 = f.st1;
    *st2 = f.st2;
  }
  return f.status_code;
}

inline int VRI_ECF_CALL Sintegra(int report, char* path, char* month, char* year, char* name,
                                 char* street, char* number, char* complement, char* district,
                                 char* city, char* cep, char* phone, char* fax, char* contact) {
  FakeEcfState& f = FakeEcf();
  ++f.sintegra_calls;
  f.sintegra_report = report;
  f.sintegra_texts = {path,     month, year,  name, street, number, complement,
                      district, city,  cep,   phone, fax,   contact};
  if (f.torn_at >= 0) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << f.file_bytes.substr(0, (std::size_t)f.torn_at);
  } else if ((f.sintegra_code == 1 || f.sintegra_code == kEcfCheckStatus) && f.write_file) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << f.file_bytes;
  }
  return f.sintegra_code;
}

inline void* Load(const std::string& path) {
  FakeEcfState& f = FakeEcf();
  ++f.loads;
  f.loaded_path = path;
  return f.load_fails ? nullptr : &kHandle;
}

inline void* Find(void* library, const char* name) {
  FakeEcfState& f = FakeEcf();
  ++f.lookups;
  if (library != &kHandle || f.missing.count(name)) return nullptr;
  std::string n = name;
  if (n == kEcfVersionName) return reinterpret_cast<void*>(&Version);
  if (n == kEcfStatusName) return reinterpret_cast<void*>(&Status);
  if (n == kEcfSintegraName) return reinterpret_cast<void*>(&Sintegra);
  return nullptr;
}

inline int Free(void*) {
  ++FakeEcf().frees;
  return FakeEcf().free_result;
}

}  // namespace fake_ecf

// Installs the fake library with a fresh state while it lives. Make it
// before a MessageRecorder or FaultInjector so that those wrap it.
class FakeEcfLibrary {
 public:
  FakeEcfLibrary() : saved_(Platform()) {
    FakeEcf() = FakeEcfState();
    PlatformOps ops = saved_;
    ops.load_library = fake_ecf::Load;
    ops.find_function = fake_ecf::Find;
    ops.free_library = fake_ecf::Free;
    SetPlatform(ops);
  }
  ~FakeEcfLibrary() {
    FakeEcf().free_result = 1;  // let go of a handle a test left loaded, quietly
    ReleaseEcfLibrary(nullptr);
    SetPlatform(saved_);
  }
  FakeEcfLibrary(const FakeEcfLibrary&) = delete;
  FakeEcfLibrary& operator=(const FakeEcfLibrary&) = delete;

 private:
  PlatformOps saved_;
};

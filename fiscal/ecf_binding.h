// The binding to the fiscal printer vendor's library (Bemafi32.dll): loading
// and releasing it, looking its functions up by name, and turning every reply
// of the library and every status bit of the printer into a message.
//
// The library is loaded once while the fiscal printer job runs and released
// when it ends; the handle is process-wide. Functions are looked up again at
// each use so that nothing outlives the handle.
#pragma once

#include <string>

#include "platform/platform.h"

// The vendor's functions are __stdcall on Windows (exported undecorated); the
// stand-in for other systems uses the plain C convention.
#if defined(_WIN32)
#define VRI_ECF_CALL __stdcall
#else
#define VRI_ECF_CALL
#endif

extern "C" {
using EcfVersionFn = int(VRI_ECF_CALL*)(char* version);
using EcfStatusFn = int(VRI_ECF_CALL*)(int* ack, int* st1, int* st2);
using EcfSintegraFn = int(VRI_ECF_CALL*)(int report, char* path, char* month, char* year,
                                          char* name, char* street, char* number,
                                          char* complement, char* district, char* city,
                                          char* cep, char* phone, char* fax, char* contact);
}

// The library's file name, searched in the platform's usual order.
inline constexpr const char* kEcfLibraryName = "Bemafi32.dll";
// The exact export names.
inline constexpr const char* kEcfVersionName = "Bematech_FI_VersaoDll";
inline constexpr const char* kEcfStatusName = "Bematech_FI_RetornoImpressora";
inline constexpr const char* kEcfSintegraName = "Bematech_FI_RelatorioSintegraMFD";
// A function only the printer library stand-in exports (never a name of the
// vendor's): the library is a rehearsal's whatever its version text says.
inline constexpr const char* kEcfRehearsalMark = "Vri_BibliotecaDeEnsaio";
// The buffer the version function fills.
constexpr int kEcfVersionBufferSize = 200;
// ACK of a command the printer received correctly.
constexpr int kEcfAck = 6;
// Return code after which only the printer's status tells the outcome.
constexpr int kEcfCheckStatus = -27;

// Loads the library at path (kEcfLibraryName in the product) and makes it the
// process-wide handle. Returns 1; 0 after "Erro ao carregar Bemafi32.dll".
int LoadEcfLibrary(PlatWindow owner, const std::string& path);

// Releases the process-wide handle (none loaded: nothing happens). Returns 1;
// 0 after "Erro ao liberar memória da DLL." when the system refused.
int ReleaseEcfLibrary(PlatWindow owner);

// The process-wide handle, or nullptr when no library is loaded.
void* EcfLibrary();

// 1 when the loaded library is the stand-in (it exports kEcfRehearsalMark).
int EcfLibraryIsRehearsal();

// Looks a function up by its full name. Returns its entry; nullptr after
// "Erro ao carregar a função <name>." (caption "LoadFuncDll").
void* LoadFuncDll(PlatWindow owner, void* library, const std::string& name);

// Why the library at `path` is not the one the job needs: it lacks the
// function `name` (the detail of LoadFuncDll's message, and the doctor's).
std::string MissingFunctionTrouble(const std::string& path, const std::string& name);

// Decodes a return code of the function called as operation (its name without
// the vendor prefix). Returns 1 for success (1, or -27 with a clean printer
// status); 0 after the code's message (caption "ECF-Trata") or the status's.
int CheckEcfReturn(PlatWindow owner, const std::string& operation, int code);

// Reads the printer's status after operation and shows one message per set
// bit (ST1 bit 7 down to ST2 bit 0). Returns 1 when no error condition is set
// (the low-paper warning only warns); 0 after the messages.
int CheckPrinterStatus(PlatWindow owner, const std::string& operation);

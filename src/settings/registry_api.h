#pragma once
// The registry as the settings see it: the six calls they rely on, implemented once
// over the Win32 registry (win32_registry.h) and once in memory for the unit tests.
#include <cstdint>

namespace qp {

// A key handle as the registry hands it out; 0 is "no key". The two hives are
// the platform's predefined handle values.
using RegHandle = std::uintptr_t;
constexpr RegHandle kHkeyCurrentUser = 0x80000001u;
constexpr RegHandle kHkeyLocalMachine = 0x80000002u;

// Registry value types and statuses, with the platform's numbers.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorMoreData = 234;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;
    // RegOpenKeyExA with options 0 and KEY_READ | KEY_WRITE, in the 32-bit view.
    virtual long OpenKey(RegHandle parent, const char* subKey, RegHandle* result) = 0;
    // RegCreateKeyExA: whole path at once, no class, REG_OPTION_NON_VOLATILE,
    // KEY_READ | KEY_WRITE in the 32-bit view, no security attributes.
    virtual long CreateKey(RegHandle parent, const char* path, RegHandle* result) = 0;
    // RegQueryValueExA: data may be null to learn the size; *size is in and out.
    virtual long QueryValue(RegHandle key, const char* name, uint32_t* type, uint8_t* data,
                            uint32_t* size) = 0;
    // RegSetValueExA.
    virtual long SetValue(RegHandle key, const char* name, uint32_t type, const uint8_t* data,
                          uint32_t size) = 0;
    virtual long FlushKey(RegHandle key) = 0;
    virtual long CloseKey(RegHandle key) = 0;
};

}  // namespace qp

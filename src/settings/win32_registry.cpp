#include "settings/win32_registry.h"

#include <windows.h>

namespace qp {
namespace {

HKEY ToHkey(RegHandle handle) {
    if (handle == kHkeyCurrentUser) return HKEY_CURRENT_USER;
    if (handle == kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
    return reinterpret_cast<HKEY>(handle);
}

RegHandle FromHkey(HKEY key) { return reinterpret_cast<RegHandle>(key); }

// The settings live in the 32-bit program's view of the registry, whichever build runs: on
// 64-bit Windows a 64-bit build thus reads and writes what the 32-bit program stored (under
// WOW6432Node). The 32-bit build's view is that one anyway.
constexpr REGSAM kSettingsAccess = KEY_READ | KEY_WRITE | KEY_WOW64_32KEY;

}  // namespace

long Win32Registry::OpenKey(RegHandle parent, const char* subKey, RegHandle* result) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(ToHkey(parent), subKey, 0, kSettingsAccess, &opened);
    *result = status == ERROR_SUCCESS ? FromHkey(opened) : 0;
    return status;
}

long Win32Registry::CreateKey(RegHandle parent, const char* path, RegHandle* result) {
    HKEY created = nullptr;
    const LONG status = RegCreateKeyExA(ToHkey(parent), path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        kSettingsAccess, nullptr, &created, nullptr);
    *result = status == ERROR_SUCCESS ? FromHkey(created) : 0;
    return status;
}

long Win32Registry::QueryValue(RegHandle key, const char* name, uint32_t* type, uint8_t* data,
                               uint32_t* size) {
    DWORD valueType = type ? *type : 0;
    DWORD byteCount = size ? *size : 0;
    const LONG status = RegQueryValueExA(ToHkey(key), name, nullptr, type ? &valueType : nullptr,
                                         data, size ? &byteCount : nullptr);
    if (type) *type = valueType;
    if (size) *size = byteCount;
    return status;
}

long Win32Registry::SetValue(RegHandle key, const char* name, uint32_t type, const uint8_t* data,
                             uint32_t size) {
    return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

long Win32Registry::FlushKey(RegHandle key) { return RegFlushKey(ToHkey(key)); }

long Win32Registry::CloseKey(RegHandle key) { return RegCloseKey(ToHkey(key)); }

}  // namespace qp

#pragma once
// RegistryApi over the Win32 registry functions. Holds no state; each call goes
// straight through, so one instance may be shared by any number of RegistryKeys.
#include "settings/registry_api.h"

namespace qp {

class Win32Registry : public RegistryApi {
public:
    long OpenKey(RegHandle parent, const char* subKey, RegHandle* result) override;
    long CreateKey(RegHandle parent, const char* path, RegHandle* result) override;
    long QueryValue(RegHandle key, const char* name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override;
    long SetValue(RegHandle key, const char* name, uint32_t type, const uint8_t* data,
                  uint32_t size) override;
    long FlushKey(RegHandle key) override;
    long CloseKey(RegHandle key) override;
};

}  // namespace qp

#pragma once
// A registry key made for one direction: its transfers read a named value into the
// caller's variable (Load) or write the variable under that name (Save), so that a
// caller lists its values once and runs the same list both ways.
#include <cstdint>
#include <string>

#include "settings/registry_api.h"

namespace qp {

enum class Direction : int32_t { Save = 0, Load = 1 };

class RegistryKey {
public:
    // Starts on HKEY_CURRENT_USER\software.
    RegistryKey(RegistryApi& registry, Direction direction);
    virtual ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Flushes and closes what is open, then opens the hive's "software" key.
    // Hives other than HKCU and HKLM change nothing. Returns 1 if a root is open.
    int SetRoot(RegHandle hive);
    // Creates or opens the path below the root; on failure the root itself is used.
    void OpenSubKey(const char* path);

    long TransferString(const char* name, std::string& value);
    long TransferDword(const char* name, int32_t& value);

    Direction direction() const { return direction_; }

private:
    void CloseCurrent();

    RegistryApi& registry_;
    const Direction direction_;
    RegHandle root_ = 0;
    RegHandle current_ = 0;
    int32_t Dirty = 0;
};

}  // namespace qp

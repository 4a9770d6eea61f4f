#include "settings/registry_key.h"

#include <cstring>
#include <vector>

namespace qp {

RegistryKey::RegistryKey(RegistryApi& registry, Direction direction)
    : registry_(registry), direction_(direction) {
    SetRoot(kHkeyCurrentUser);
}

RegistryKey::~RegistryKey() {
    if (Dirty && root_) registry_.FlushKey(root_);
    CloseCurrent();
    if (root_) registry_.CloseKey(root_);
}

void RegistryKey::CloseCurrent() {
    if (current_ && current_ != root_) registry_.CloseKey(current_);
    current_ = 0;
}

int RegistryKey::SetRoot(RegHandle hive) {
    if (hive != kHkeyCurrentUser && hive != kHkeyLocalMachine) return root_ ? 1 : 0;

    if (Dirty && root_) registry_.FlushKey(root_);
    Dirty = 0;
    CloseCurrent();
    if (root_) registry_.CloseKey(root_);

    RegHandle opened = 0;
    root_ = registry_.OpenKey(hive, "software", &opened) == kErrorSuccess ? opened : 0;
    current_ = 0;
    return root_ ? 1 : 0;
}

void RegistryKey::OpenSubKey(const char* path) {
    CloseCurrent();
    RegHandle created = 0;
    if (registry_.CreateKey(root_, path, &created) == kErrorSuccess && created)
        current_ = created;
    else
        current_ = root_;
}

long RegistryKey::TransferString(const char* name, std::string& value) {
    if (direction_ == Direction::Save) {
        const auto* text = reinterpret_cast<const uint8_t*>(value.c_str());
        const long status = registry_.SetValue(current_, name, kRegSz, text,
                                               static_cast<uint32_t>(value.size() + 1));
        Dirty = 1;
        return status;
    }

    uint32_t type = 0;
    uint32_t size = 0;
    long status = registry_.QueryValue(current_, name, &type, nullptr, &size);
    if (status != kErrorSuccess) return status;

    // The spare zero byte terminates data stored without its NUL.
    std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1, 0);
    uint32_t capacity = static_cast<uint32_t>(buffer.size());
    status = registry_.QueryValue(current_, name, &type, buffer.data(), &capacity);
    if (status == kErrorSuccess && type == kRegSz)
        value.assign(reinterpret_cast<const char*>(buffer.data()));
    return status;
}

long RegistryKey::TransferDword(const char* name, int32_t& value) {
    uint8_t bytes[4] = {};
    if (direction_ == Direction::Save) {
        std::memcpy(bytes, &value, sizeof bytes);
        const long status = registry_.SetValue(current_, name, kRegDword, bytes, sizeof bytes);
        Dirty = 1;
        return status;
    }

    uint32_t type = kRegDword;
    uint32_t size = sizeof bytes;
    const long status = registry_.QueryValue(current_, name, &type, bytes, &size);
    if (status == kErrorSuccess && type == kRegDword) std::memcpy(&value, bytes, sizeof bytes);
    return status;
}

}  // namespace qp

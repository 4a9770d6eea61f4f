#pragma once
// A zero-filled block of the global heap (movable), locked for as long as the owner
// lives: the buffers of the device's I/O controls.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace qp {

class LockedGlobalBuffer {
public:
    explicit LockedGlobalBuffer(SIZE_T size)
        : memory_(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)),
          data_(memory_ ? GlobalLock(memory_) : nullptr),
          size_(data_ ? size : 0) {}
    ~LockedGlobalBuffer() {
        if (data_) GlobalUnlock(memory_);
        if (memory_) GlobalFree(memory_);
    }
    LockedGlobalBuffer(const LockedGlobalBuffer&) = delete;
    LockedGlobalBuffer& operator=(const LockedGlobalBuffer&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    void* data() const { return data_; }
    DWORD size() const { return static_cast<DWORD>(size_); }

    uint32_t Word() const {
        uint32_t value = 0;
        if (size_ >= sizeof value) std::memcpy(&value, data_, sizeof value);
        return value;
    }
    void SetWord(uint32_t value) {
        if (size_ >= sizeof value) std::memcpy(data_, &value, sizeof value);
    }

private:
    HGLOBAL memory_;
    void* data_;
    SIZE_T size_;
};

}  // namespace qp

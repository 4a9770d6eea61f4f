#pragma once
// Move-only owner of a Win32 handle, parameterised by how the handle is closed and
// which value means "none", and the owners of every handle kind the program holds.
// reset() keeps GetLastError intact, so a failure code read after an owner went out
// of scope is still the caller's.
#include <windows.h>

#include <utility>

namespace qp {

template <class Traits>
class UniqueAny {
public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) : value_(value) {}
    ~UniqueAny() { reset(); }
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }

    Type release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid()) {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) {
            DWORD error = GetLastError();
            Traits::Close(old);
            SetLastError(error);
        }
    }

private:
    Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {  // events, timers, threads, tokens: NULL means none
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
using UniqueHandle = UniqueAny<KernelHandleTraits>;

struct FileHandleTraits {  // CreateFile: INVALID_HANDLE_VALUE means none
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
using UniqueFileHandle = UniqueAny<FileHandleTraits>;

struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};
using UniqueMenu = UniqueAny<MenuTraits>;

struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
using UniqueIcon = UniqueAny<IconTraits>;

struct GdiObjectTraits {  // pens, brushes
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
using UniqueGdiObject = UniqueAny<GdiObjectTraits>;

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyWindow(h); }
};
using UniqueWindow = UniqueAny<WindowTraits>;

}  // namespace qp

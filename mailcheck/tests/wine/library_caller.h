// What the callers of VRXMail.DLL under Wine share: the library loaded by name from a folder,
// a manual-reset event and an entry point resolved by name.
#pragma once

#include <windows.h>

#include <cstdio>

// VRXMail.DLL from the folder, as the program loads it; null (and a line said) when it fails.
inline HMODULE loadLibraryFrom(const char* folder) {
  SetDllDirectoryA(folder);
  HMODULE library = LoadLibraryA("VRXMail.DLL");
  if (library == nullptr) std::printf("load failed %lu\n", GetLastError());
  return library;
}

class Event {
 public:
  Event() : h_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() {
    if (h_ != nullptr) CloseHandle(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// Through void(*)(): the entry points' real types are not FARPROC's.
template <typename Fn>
Fn entryPoint(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

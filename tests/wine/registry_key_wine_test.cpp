// RegistryKey over the real registry: writes and reads below its own scratch key
// software\QuilpadRegistryTest in HKCU (and HKLM for the hive check), removes it
// again, prints each failed check and then "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/registry_key.h"
#include "settings/win32_registry.h"

namespace {

using qp::Direction;
using qp::RegistryKey;

const char* const kScratch = "QuilpadRegistryTest";
const char* const kValues = "QuilpadRegistryTest\\Values";
const char* const kRaw = "QuilpadRegistryTest\\Raw";
constexpr qp::RegHandle kHkeyClassesRoot = 0x80000000u;

int passed = 0;
int failed = 0;

void Check(bool ok, int line, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("line %d: %s\n", line, what);
    }
}
#define CHECK(condition) Check((condition), __LINE__, #condition)

class ScopedKey {
public:
    ScopedKey() = default;
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    ~ScopedKey() {
        if (key_) RegCloseKey(key_);
    }
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::string Below(const char* path) { return std::string("software\\") + path; }

// The program keeps its settings in the 32-bit view; the checks look there too.
constexpr REGSAM kView = KEY_WOW64_32KEY;

bool KeyExists(HKEY hive, const char* path) {
    ScopedKey key;
    return RegOpenKeyExA(hive, Below(path).c_str(), 0, KEY_READ | kView, key.out()) ==
           ERROR_SUCCESS;
}

void RawSet(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    ScopedKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, Below(path).c_str(), 0, nullptr, 0, KEY_WRITE | kView,
                        nullptr, key.out(), nullptr) == ERROR_SUCCESS)
        RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::vector<BYTE> data;
};

RawValue RawGet(HKEY hive, const char* path, const char* name) {
    RawValue value;
    ScopedKey key;
    value.status = RegOpenKeyExA(hive, Below(path).c_str(), 0, KEY_READ | kView, key.out());
    if (value.status != ERROR_SUCCESS) return value;
    DWORD size = 0;
    value.status = RegQueryValueExA(key.get(), name, nullptr, &value.type, nullptr, &size);
    if (value.status != ERROR_SUCCESS) return value;
    value.data.resize(size);
    value.status =
        RegQueryValueExA(key.get(), name, nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
    return value;
}

bool DeleteTree(HKEY parent, const char* name) {
    {
        ScopedKey key;
        if (RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE | kView, key.out()) !=
            ERROR_SUCCESS)
            return false;
        char child[256];
        DWORD length = sizeof child;
        while (RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS) {
            if (!DeleteTree(key.get(), child)) return false;
            length = sizeof child;
        }
    }
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

void RemoveScratch() {
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        // Opened in the checks' view, so that the deletion below happens in it too.
        ScopedKey software;
        if (RegOpenKeyExA(hive, "software", 0, KEY_READ | KEY_WRITE | kView, software.out()) ==
            ERROR_SUCCESS)
            DeleteTree(software.get(), kScratch);
    }
}

std::string BigText() {
    std::string text(100 * 1024, ' ');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

void SaveWritesTypedValues(qp::RegistryApi& registry) {
    {
        RegistryKey key(registry, Direction::Save);
        key.OpenSubKey(kValues);
        std::string text = "hello";
        std::string empty;
        std::string big = BigText();
        int32_t number = -5;
        CHECK(key.TransferString("Text", text) == ERROR_SUCCESS);
        CHECK(key.TransferString("Empty", empty) == ERROR_SUCCESS);
        CHECK(key.TransferString("Big", big) == ERROR_SUCCESS);
        CHECK(key.TransferDword("Number", number) == ERROR_SUCCESS);
    }
    const RawValue text = RawGet(HKEY_CURRENT_USER, kValues, "Text");
    CHECK(text.status == ERROR_SUCCESS && text.type == REG_SZ);
    CHECK(text.data == (std::vector<BYTE>{'h', 'e', 'l', 'l', 'o', 0}));
    const RawValue empty = RawGet(HKEY_CURRENT_USER, kValues, "Empty");
    CHECK(empty.type == REG_SZ && empty.data == std::vector<BYTE>{0});
    const RawValue big = RawGet(HKEY_CURRENT_USER, kValues, "Big");
    CHECK(big.type == REG_SZ && big.data.size() == 100 * 1024 + 1);
    const RawValue number = RawGet(HKEY_CURRENT_USER, kValues, "Number");
    CHECK(number.type == REG_DWORD && number.data == (std::vector<BYTE>{0xFB, 0xFF, 0xFF, 0xFF}));
}

void LoadReadsThemBack(qp::RegistryApi& registry) {
    RegistryKey key(registry, Direction::Load);
    key.OpenSubKey("quilpadregistrytest\\VALUES");
    std::string text = "old";
    std::string empty = "old";
    std::string big;
    std::string missing = "kept";
    int32_t number = 0;
    CHECK(key.TransferString("TEXT", text) == ERROR_SUCCESS && text == "hello");
    CHECK(key.TransferString("Empty", empty) == ERROR_SUCCESS && empty.empty());
    CHECK(key.TransferString("Big", big) == ERROR_SUCCESS && big == BigText());
    CHECK(key.TransferDword("number", number) == ERROR_SUCCESS && number == -5);
    CHECK(key.TransferString("Missing", missing) == ERROR_FILE_NOT_FOUND && missing == "kept");
}

void ForeignTypesLeaveVariables(qp::RegistryApi& registry) {
    RawSet(kRaw, "Expand", REG_EXPAND_SZ, "%TEMP%", 7);
    RawSet(kRaw, "Binary", REG_BINARY, "ab", 3);
    RawSet(kRaw, "ShortText", REG_SZ, "1", 2);
    RawSet(kRaw, "LongText", REG_SZ, "12345678", 9);
    RawSet(kRaw, "Embedded", REG_SZ, "ab\0cd", 6);

    RegistryKey key(registry, Direction::Load);
    key.OpenSubKey(kRaw);
    std::string expand = "kept";
    std::string binary = "kept";
    std::string embedded;
    int32_t shortText = 42;
    int32_t longText = 42;
    CHECK(key.TransferString("Expand", expand) == ERROR_SUCCESS && expand == "kept");
    CHECK(key.TransferString("Binary", binary) == ERROR_SUCCESS && binary == "kept");
    CHECK(key.TransferString("Embedded", embedded) == ERROR_SUCCESS && embedded == "ab");
    CHECK(key.TransferDword("ShortText", shortText) == ERROR_SUCCESS && shortText == 42);
    CHECK(key.TransferDword("LongText", longText) == ERROR_MORE_DATA && longText == 42);
}

void KeysAndHives(qp::RegistryApi& registry) {
    {
        RegistryKey key(registry, Direction::Load);
        std::string text = "kept";
        CHECK(key.TransferString("Text", text) == ERROR_INVALID_HANDLE && text == "kept");
        key.OpenSubKey("QuilpadRegistryTest\\Created\\Deep");
    }
    CHECK(KeyExists(HKEY_CURRENT_USER, "QuilpadRegistryTest\\Created\\Deep"));

    {
        RegistryKey key(registry, Direction::Save);
        key.OpenSubKey(kValues);
        CHECK(key.SetRoot(kHkeyClassesRoot) == 1);
        int32_t number = 77;
        key.TransferDword("AfterOtherHive", number);
    }
    CHECK(RawGet(HKEY_CURRENT_USER, kValues, "AfterOtherHive").data ==
          (std::vector<BYTE>{77, 0, 0, 0}));

    {
        RegistryKey key(registry, Direction::Save);
        CHECK(key.SetRoot(qp::kHkeyLocalMachine) == 1);
        key.OpenSubKey(kValues);
        std::string text = "machine";
        CHECK(key.TransferString("Where", text) == ERROR_SUCCESS);
    }
    CHECK(RawGet(HKEY_LOCAL_MACHINE, kValues, "Where").status == ERROR_SUCCESS);
    CHECK(RawGet(HKEY_CURRENT_USER, kValues, "Where").status == ERROR_FILE_NOT_FOUND);
}

}  // namespace

int main() {
    qp::Win32Registry registry;
    RemoveScratch();
    SaveWritesTypedValues(registry);
    LoadReadsThemBack(registry);
    ForeignTypesLeaveVariables(registry);
    KeysAndHives(registry);
    RemoveScratch();
    CHECK(!KeyExists(HKEY_CURRENT_USER, kScratch) && !KeyExists(HKEY_LOCAL_MACHINE, kScratch));

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

#include "ui/win32_file_chooser.h"

#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "ui/file_filter.h"

namespace qp {

namespace {

// The record size of the choosers that know nothing of the places bar: 76 bytes on 32-bit
// Windows; the 64-bit build's pointers make it longer.
constexpr DWORD kShortRecordSize =
    offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName);
#ifndef _WIN64
static_assert(kShortRecordSize == 76, "the 32-bit short record");
#endif

}  // namespace

std::optional<std::string> ChooseExecutable(HWND owner, const char* title) {
    char file[256] = "";
    char filter[255] = {};
    const std::string list = FilterList("Executable Files(*.exe)#*.exe#All files(*.*)#*.*#", '#');
    std::memcpy(filter, list.data(), list.size());

    OPENFILENAMEA dialog{};
    dialog.lStructSize = kShortRecordSize;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = file;
    dialog.nMaxFile = 255;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_SHOWHELP;
    if (!GetOpenFileNameA(&dialog)) return std::nullopt;
    return std::string(file);
}

std::optional<std::string> ChooseFileForBar() {
    return ChooseExecutable(nullptr, "Select a File to Open");
}

std::optional<std::string> ChooseFileForSlotMenu() {
    return ChooseExistingFile(
        "Executable Files(*.exe)|*.exe|Text files(*.txt)|*.txt|All files(*.*)|*.*||", "txt");
}

std::optional<std::string> ChooseExistingFile(const char* filterText, const char* defaultExtension) {
    char file[MAX_PATH] = "";
    const std::string filter = FilterList(filterText, '|');

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_SHAREAWARE | OFN_NONETWORKBUTTON |
                   OFN_EXPLORER;
    if (!GetOpenFileNameA(&dialog)) return std::nullopt;
    return std::string(file);
}

}  // namespace qp

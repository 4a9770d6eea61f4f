#include "buttons/win32_shell_icon.h"

#include <shellapi.h>

namespace qp {

namespace {

constexpr UINT kSlotIconQuery = SHGFI_ICON | SHGFI_TYPENAME | SHGFI_ATTRIBUTES | SHGFI_SYSICONINDEX;

}  // namespace

UniqueIcon ShellIconFor(const std::string& path, bool small) {
    const UINT size = small ? SHGFI_SMALLICON : 0;
    SHFILEINFOA info{};
#ifndef _WIN64
    static_assert(sizeof info == 352, "the shell's file information record");
#endif
    const bool known = SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, kSlotIconQuery | size);
    UniqueIcon icon(info.hIcon);
    // A shell that fails may still hand out an icon that draws nothing.
    if (known && icon) return icon;

    SHFILEINFOA byType{};
    SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &byType, sizeof byType,
                   SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | size);
    if (byType.hIcon) return UniqueIcon(byType.hIcon);

    const int side = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
    return UniqueIcon(static_cast<HICON>(
        CopyImage(LoadIconA(nullptr, IDI_APPLICATION), IMAGE_ICON, side, side, 0)));
}

}  // namespace qp

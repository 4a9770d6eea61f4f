#include "device/win32_device_channel.h"

#include <winioctl.h>

#include "app/message_box.h"
#include "app/unique_handle.h"
#include "device/win32_global_buffer.h"

namespace qp {
namespace {

constexpr DWORD kReadButtonControl =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kCommandControl =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(kReadButtonControl == 0x222000 && kCommandControl == 0x222004);

constexpr DWORD kWordSize = 4;

// Written once by OpenDevice before any other thread exists, then only read. Never
// destroyed: a mail report or a worker may still send a command while the process ends.
UniqueFileHandle& DeviceChannel = *new UniqueFileHandle;

}  // namespace

bool OpenDevice() {
    DeviceChannel.reset(CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    return DeviceIsOpen();
}

bool DeviceIsOpen() { return static_cast<bool>(DeviceChannel); }

bool CheckDeviceOpen(HWND owner) {
    if (DeviceIsOpen()) return true;
    ShowMessage(owner, "Open driver TZK0001 fail !");
    return false;
}

// The success flag and byte count are not looked at: the output starts zero-filled,
// so a call that fails or writes nothing reads as 0.
uint32_t ReadButtonCode() {
    LockedGlobalBuffer output(kWordSize);
    if (!output) return 0;
    DWORD returned = 0;
    DeviceIoControl(DeviceChannel.get(), kReadButtonControl, nullptr, 0, output.data(),
                    kWordSize, &returned, nullptr);
    return output.Word();
}

uint32_t SendDeviceCommand(uint32_t command) {
    if (!DeviceIsOpen()) {
        ShowMessage(nullptr, "Mail Led Control Routine Open driver TZK0001 fail");
        return 0;
    }
    LockedGlobalBuffer input(kWordSize);
    LockedGlobalBuffer output(kWordSize);
    if (!input || !output) return 0;
    input.SetWord(command);
    DWORD returned = 0;
    DeviceIoControl(DeviceChannel.get(), kCommandControl, input.data(), kWordSize, output.data(),
                    kWordSize, &returned, nullptr);
    return output.Word();
}

}  // namespace qp

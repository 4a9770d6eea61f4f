#include "device/win32_device_channel.h"

#include <winioctl.h>

#include <atomic>
#include <mutex>

#include "win32/global_buffer.h"
#include "win32/message_box.h"
#include "win32/unique_handle.h"

namespace qp {
namespace {

constexpr DWORD kReadButtonControl =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kCommandControl =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(kReadButtonControl == 0x222000 && kCommandControl == 0x222004);

constexpr DWORD kWordSize = 4;

// Opened by OpenDevice before any other thread exists; replaced only after the driver
// has gone and come back. ChannelLock covers every use, so a replaced handle is never
// closed under a call. Never destroyed: a mail report or a worker may still send a
// command while the process ends.
UniqueFileHandle& DeviceChannel = *new UniqueFileHandle;
std::mutex& ChannelLock = *new std::mutex;
std::atomic<bool> ChannelOpen{false};

HANDLE OpenChannel() {
    return CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// One I/O control. A handle whose driver was stopped fails every call, even once the
// driver runs again: then a new handle is tried, which reaches a driver that is back.
// Opening sends the device nothing, so what the device sees does not change.
void CallDevice(DWORD control, LockedGlobalBuffer* input, LockedGlobalBuffer& output) {
    std::lock_guard<std::mutex> hold(ChannelLock);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD returned = 0;
        if (DeviceIoControl(DeviceChannel.get(), control, input ? input->data() : nullptr,
                            input ? kWordSize : 0, output.data(), kWordSize, &returned, nullptr))
            return;
        if (attempt > 0) return;
        UniqueFileHandle fresh(OpenChannel());
        if (!fresh) return;
        DeviceChannel = std::move(fresh);
    }
}

}  // namespace

bool OpenDevice() {
    std::lock_guard<std::mutex> hold(ChannelLock);
    DeviceChannel.reset(OpenChannel());
    ChannelOpen = static_cast<bool>(DeviceChannel);
    return ChannelOpen;
}

bool DeviceIsOpen() { return ChannelOpen; }

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
    CallDevice(kReadButtonControl, nullptr, output);
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
    CallDevice(kCommandControl, &input, output);
    return output.Word();
}

}  // namespace qp

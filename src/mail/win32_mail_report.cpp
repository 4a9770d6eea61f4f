#include "mail/win32_mail_report.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstring>

#include "device/device_codes.h"
#include "device/device_port.h"
#include "mail/mail_poll_flags.h"
#include "mail/mail_report.h"
#include "mail/mail_status_order.h"
#include "mail/win32_mail_poll_worker.h"
#include "mail/win32_status_strip.h"
#include "resource.h"
#include "settings/settings.h"
#include "shared/process_state.h"
#include "shared/tray_icon.h"

namespace qp {

namespace {

std::atomic<DevicePort*> reportDevice{nullptr};

constexpr UINT kBalloonTimeoutMs = 10000;
constexpr int kBlinkCycles = 20;
constexpr DWORD kBlinkStepMs = 1000;
// How soon the blinking sees an acknowledgement or the program's end.
constexpr DWORD kBlinkLookMs = 50;

template <size_t N>
void CopyCut(char (&field)[N], const std::string& text) {
    size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

HICON ProgramIcon(int id) {
    return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

void ShowBalloon(const std::string& text) {
    TheTrayIcon().Modify([&text](NOTIFYICONDATAA& data) {
        CopyCut(data.szInfo, text);
        CopyCut(data.szInfoTitle, "You Got Mail !");
        data.uTimeout = kBalloonTimeoutMs;
        data.dwInfoFlags = NIIF_INFO;
        data.uFlags = NIF_INFO | NIF_ICON;
    });
}

bool BlinkingStopped() { return BlinkStop != 0 || StopWorkers != 0; }

// The record is the plain icon's again (no balloon) each time its picture changes.
void ShowTrayIcon(HICON icon) {
    BlinkShown = TheTrayIcon().Modify([icon](NOTIFYICONDATAA& data) {
        data.hIcon = icon;
        ResetTip(data);
        data.uID = TrayIcon::kId;
        data.uCallbackMessage = TrayIcon::kCallbackMessage;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    });
}

// One blinking step; false when it was cut short by the acknowledgement or the end.
bool BlinkStep() {
    for (DWORD waited = 0; waited < kBlinkStepMs; waited += kBlinkLookMs) {
        if (BlinkingStopped()) return false;
        Sleep(kBlinkLookMs);
    }
    return true;
}

// One second blank, one second the program's icon, until the user acknowledges or
// 20 cycles have passed; it ends on the program's icon unless the program is ending,
// when the icon is being removed.
void Blink() {
    for (int cycle = 0; cycle < kBlinkCycles && !BlinkingStopped(); ++cycle) {
        ShowTrayIcon(ProgramIcon(IDI_BLANK));
        const bool stepped = BlinkStep();
        if (StopWorkers != 0) return;
        ShowTrayIcon(ProgramIcon(IDI_APP));
        if (!stepped || !BlinkStep()) return;
    }
}

}  // namespace

void UseDeviceForMailReports(DevicePort& device) { reportDevice = &device; }

// The flags are cleared once the status strip and the LED show the outcome: from then
// on the worker may start its next check or put the machine back to sleep, and the
// power query never overtakes the LED command. The notifications come after that.
void VRXMAIL_CDECL MailCheckCallback(int32_t newCount, int32_t resultCode) {
    // A report that comes once the program is ending is dropped: the window it would
    // show in is going away.
    if (StopWorkers != 0) return;
    const Settings settings = TheSettings().Copy();
    const MailReport report =
        PlanMailReport(newCount, resultCode,
                       {settings.LastNewTimeStamp, settings.ShowMessage, settings.Sound,
                        OsVersion.dwMinorVersion, settings.WavePath});
    Win32StatusStrip status;
    TheMailStatusOrder().Report(status, report.statusText);
    if (report.led != MailReport::Led::Keep)
        reportDevice.load()->SendCommand(report.led == MailReport::Led::On ? kLedOn : kLedOff);
    CheckRequests& requests = TheCheckRequests();
    requests.Reported(resultCode);
    EndCheck(TheMailPollFlags());
    // The watch saw mail come while this check was out: one more check follows it.
    Win32PollEvent pollEvent;
    requests.WakeIfPending(pollEvent);
    if (report.led != MailReport::Led::On) return;

    BlinkStop = 0;
    if (report.balloon) ShowBalloon(report.statusText);
    // A file that cannot be played is not replaced by a sound of the system's.
    if (report.sound) PlaySoundA(settings.WavePath.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT);
    if (report.blink) Blink();
}

}  // namespace qp

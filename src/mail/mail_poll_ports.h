#pragma once
// What the mail worker needs from the platform, one small seam each: MailPollEvent,
// the clock, the mail library, the power calls and the status strip. The device is
// the DevicePort of the hardware buttons.
#include <cstdint>
#include <string>

#include <vrxmail/mail_request.h>

namespace qp {

// MailPollEvent: auto-reset; a signal given while nobody waits stays pending.
class PollEvent {
public:
    virtual ~PollEvent() = default;
    // Returns on a signal (true) or after timeoutMs (false).
    virtual bool Wait(uint32_t timeoutMs) = 0;
    virtual void Signal() = 0;
};

class PollClock {
public:
    virtual ~PollClock() = default;
    // Gives up the processor for about ms milliseconds.
    virtual void Pause(uint32_t ms) = 0;
    // Milliseconds from an arbitrary start, never going back.
    virtual uint64_t NowMs() = 0;
};

class MailLibraryPort {
public:
    virtual ~MailLibraryPort() = default;
    virtual bool HasGetNewMail() const = 0;
    // 0 when the check has started; the library then reports it once through the
    // request's callback, never before this returns.
    virtual int32_t GetNewMail(vrxmail::MailRequest* request) = 0;
};

class PowerPort {
public:
    virtual ~PowerPort() = default;
    // Until the program waits for input.
    virtual void WaitForInputIdle() = 0;
    // suspend false hibernates; never forced. Returns once the machine runs again; false
    // when the system refused.
    virtual bool SetSystemPowerState(bool suspend) = 0;
    // A wake by the timer did not end in sleep after all: the machine stays awake.
    virtual void StaysAwake() = 0;
};

class StatusStripPort {
public:
    virtual ~StatusStripPort() = default;
    virtual void Show(const std::string& text) = 0;
};

}  // namespace qp

/* The TZK0001 button-and-LED device, simulated: a WDM driver that creates
 * \Device\TZK0001 with the link \DosDevices\TZK0001 and answers the I/O controls of
 * tzk_ioctl.h. Presses arrive through IOCTL_TZK_PRESS and leave, one per read, through
 * IOCTL_TZK_READ_BUTTON; commands are logged and change the LED and volume level. */
#include <ntddk.h>

#include "tzk_ioctl.h"

typedef struct DEVICE_STATE {
    KSPIN_LOCK Lock;
    ULONG Presses[TZK_PRESS_CAPACITY];
    ULONG PressHead;  /* index of the oldest press */
    ULONG PressCount;
    ULONG Log[TZK_LOG_CAPACITY];
    ULONG LogTotal;   /* the newest command is Log[(LogTotal - 1) % capacity] */
    ULONG Led;
    ULONG VolumeLevel;
    ULONG PowerReply;
} DEVICE_STATE;

static const WCHAR DeviceName[] = L"\\Device\\TZK0001";
static const WCHAR LinkName[] = L"\\DosDevices\\TZK0001";

DRIVER_INITIALIZE DriverEntry;
static DRIVER_UNLOAD TzkUnload;
static DRIVER_DISPATCH TzkCreateClose;
static DRIVER_DISPATCH TzkDeviceControl;

static void ResetState(DEVICE_STATE* state)
{
    state->PressHead = 0;
    state->PressCount = 0;
    state->LogTotal = 0;
    state->Led = 0;
    state->VolumeLevel = TZK_LEVEL_UNKNOWN;
    state->PowerReply = 0;
}

static ULONG TakePress(DEVICE_STATE* state)
{
    ULONG code;
    if (state->PressCount == 0)
        return 0;
    code = state->Presses[state->PressHead];
    state->PressHead = (state->PressHead + 1) % TZK_PRESS_CAPACITY;
    state->PressCount--;
    return code;
}

static NTSTATUS QueuePress(DEVICE_STATE* state, ULONG code)
{
    if (state->PressCount == TZK_PRESS_CAPACITY)
        return STATUS_DEVICE_BUSY;
    state->Presses[(state->PressHead + state->PressCount) % TZK_PRESS_CAPACITY] = code;
    state->PressCount++;
    return STATUS_SUCCESS;
}

static ULONG TakeCommand(DEVICE_STATE* state, ULONG command)
{
    state->Log[state->LogTotal % TZK_LOG_CAPACITY] = command;
    state->LogTotal++;
    if (command <= 1)
        state->Led = command;
    if (command <= 25)
        state->VolumeLevel = command;
    return command == 128 ? state->PowerReply : 0;
}

/* Fills as many of the newest logged commands as fit after the header; returns the
 * bytes written. */
static ULONG CopyLog(const DEVICE_STATE* state, UCHAR* out, ULONG outLength)
{
    TZK_LOG header;
    ULONG* commands = (ULONG*)(out + sizeof header);
    ULONG kept = state->LogTotal < TZK_LOG_CAPACITY ? state->LogTotal : TZK_LOG_CAPACITY;
    ULONG room = (outLength - sizeof header) / sizeof(ULONG);
    ULONG count = kept < room ? kept : room;
    ULONG first = state->LogTotal - count;
    ULONG i;
    for (i = 0; i < count; i++)
        commands[i] = state->Log[(first + i) % TZK_LOG_CAPACITY];
    header.Total = state->LogTotal;
    header.Returned = count;
    RtlCopyMemory(out, &header, sizeof header);
    return sizeof header + count * sizeof(ULONG);
}

static void CopyState(const DEVICE_STATE* state, TZK_STATE* out)
{
    out->Led = state->Led;
    out->VolumeLevel = state->VolumeLevel;
    out->PowerReply = state->PowerReply;
    out->Pending = state->PressCount;
    out->Commands = state->LogTotal;
}

static ULONG ReadInputWord(const void* buffer)
{
    ULONG value;
    RtlCopyMemory(&value, buffer, sizeof value);
    return value;
}

static void WriteOutputWord(void* buffer, ULONG value)
{
    RtlCopyMemory(buffer, &value, sizeof value);
}

/* Runs one control under the lock. Buffered I/O: input and output share one system
 * buffer, so the input is read before anything is written. Sets *written. */
static NTSTATUS Control(DEVICE_STATE* state, ULONG code, void* buffer, ULONG inLength,
                        ULONG outLength, ULONG* written)
{
    *written = 0;
    switch (code) {
    case IOCTL_TZK_READ_BUTTON:
        if (outLength < sizeof(ULONG))
            return STATUS_BUFFER_TOO_SMALL;
        WriteOutputWord(buffer, TakePress(state));
        *written = sizeof(ULONG);
        return STATUS_SUCCESS;
    case IOCTL_TZK_COMMAND:
        if (inLength < sizeof(ULONG))
            return STATUS_INVALID_PARAMETER;
        if (outLength < sizeof(ULONG))
            return STATUS_BUFFER_TOO_SMALL;
        WriteOutputWord(buffer, TakeCommand(state, ReadInputWord(buffer)));
        *written = sizeof(ULONG);
        return STATUS_SUCCESS;
    case IOCTL_TZK_PRESS:
        if (inLength != sizeof(ULONG))
            return STATUS_INVALID_PARAMETER;
        return QueuePress(state, ReadInputWord(buffer));
    case IOCTL_TZK_READ_LOG:
        if (outLength < sizeof(TZK_LOG))
            return STATUS_BUFFER_TOO_SMALL;
        *written = CopyLog(state, buffer, outLength);
        return STATUS_SUCCESS;
    case IOCTL_TZK_READ_STATE:
        if (outLength < sizeof(TZK_STATE))
            return STATUS_BUFFER_TOO_SMALL;
        CopyState(state, buffer);
        *written = sizeof(TZK_STATE);
        return STATUS_SUCCESS;
    case IOCTL_TZK_SET_POWER_REPLY:
        if (inLength != sizeof(ULONG))
            return STATUS_INVALID_PARAMETER;
        state->PowerReply = ReadInputWord(buffer);
        return STATUS_SUCCESS;
    case IOCTL_TZK_CLEAR:
        ResetState(state);
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

static NTSTATUS NTAPI TzkDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    DEVICE_STATE* state = device->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    void* buffer = irp->AssociatedIrp.SystemBuffer;
    ULONG written = 0;
    NTSTATUS status;
    KIRQL irql;

    if (buffer == NULL && (inLength != 0 || outLength != 0)) {
        status = STATUS_INVALID_PARAMETER;
    } else {
        KeAcquireSpinLock(&state->Lock, &irql);
        status = Control(state, stack->Parameters.DeviceIoControl.IoControlCode, buffer,
                         inLength, outLength, &written);
        KeReleaseSpinLock(&state->Lock, irql);
    }

    irp->IoStatus.Status = status;
    irp->IoStatus.Information = written;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI TzkCreateClose(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

static VOID NTAPI TzkUnload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, LinkName);
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject)
        IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING name;
    UNICODE_STRING link;
    PDEVICE_OBJECT device = NULL;
    DEVICE_STATE* state;
    NTSTATUS status;

    UNREFERENCED_PARAMETER(registryPath);
    RtlInitUnicodeString(&name, DeviceName);
    RtlInitUnicodeString(&link, LinkName);

    status = IoCreateDevice(driver, sizeof(DEVICE_STATE), &name, FILE_DEVICE_UNKNOWN,
                            FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;

    state = device->DeviceExtension;
    RtlZeroMemory(state, sizeof *state);
    KeInitializeSpinLock(&state->Lock);
    ResetState(state);

    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }

    driver->MajorFunction[IRP_MJ_CREATE] = TzkCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = TzkCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = TzkDeviceControl;
    driver->DriverUnload = TzkUnload;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

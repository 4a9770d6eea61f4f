/* Every I/O control of the TZK0001 button-and-LED device, shared by the driver and
 * tzkctl. All are METHOD_BUFFERED with FILE_ANY_ACCESS on device type 0x22.
 *
 * The program uses only the first two. The others exist so that a user or a test can
 * play the hardware: press buttons, and look at what the device was told. */
#ifndef TZK_IOCTL_H
#define TZK_IOCTL_H

#define TZK_DEVICE_TYPE 0x22 /* FILE_DEVICE_UNKNOWN */
#define TZK_CTL_CODE(function) (((TZK_DEVICE_TYPE) << 16) | ((function) << 2))

/* Out: 4 bytes, the oldest pending button code, 0 when none is pending. */
#define IOCTL_TZK_READ_BUTTON TZK_CTL_CODE(0x800) /* 0x222000 */
/* In: 4-byte command. Out: 4-byte result (the power request for command 128, else 0). */
#define IOCTL_TZK_COMMAND TZK_CTL_CODE(0x801) /* 0x222004 */

/* In: 4-byte button code, queued behind the pending ones. Fails when the queue is full. */
#define IOCTL_TZK_PRESS TZK_CTL_CODE(0x880)
/* Out: a TZK_LOG header followed by as many of the newest commands, oldest first, as
 * the buffer holds (at most TZK_LOG_CAPACITY). */
#define IOCTL_TZK_READ_LOG TZK_CTL_CODE(0x881)
/* Out: a TZK_STATE. */
#define IOCTL_TZK_READ_STATE TZK_CTL_CODE(0x882)
/* In: 4-byte value that command 128 answers from now on. */
#define IOCTL_TZK_SET_POWER_REPLY TZK_CTL_CODE(0x883)
/* No buffers: empties the press queue and the log, LED off, volume and power reply as
 * after start. */
#define IOCTL_TZK_CLEAR TZK_CTL_CODE(0x884)

#define TZK_PRESS_CAPACITY 64
#define TZK_LOG_CAPACITY 1024

/* Commands 0 and 1 are both the LED and the volume levels 0 and 1; a command carries
 * nothing that tells them apart, so the device takes them as both. */
#define TZK_LEVEL_UNKNOWN 0xFFFFFFFFu

typedef struct TZK_LOG {
    unsigned long Total;    /* commands received since start or clear */
    unsigned long Returned; /* commands that follow this header */
    /* unsigned long Command[Returned]; */
} TZK_LOG;

typedef struct TZK_STATE {
    unsigned long Led;          /* 0 off, 1 on */
    unsigned long VolumeLevel;  /* last command 0..25, TZK_LEVEL_UNKNOWN before one */
    unsigned long PowerReply;   /* what command 128 answers */
    unsigned long Pending;      /* presses not read yet */
    unsigned long Commands;     /* commands received since start or clear */
} TZK_STATE;

#endif

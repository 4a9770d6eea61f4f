/* The one clock that programs of the device benchmark share: the performance counter, in
 * microseconds. It counts the same in every process of the machine, so a time taken in
 * one program compares with a time taken in another. */
#ifndef QPC_CLOCK_H
#define QPC_CLOCK_H

#include <windows.h>

static long long QpcMicroseconds(void)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (long long)(now.QuadPart / frequency.QuadPart * 1000000 +
                       now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

#endif

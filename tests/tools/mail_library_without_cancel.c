/* A mail library that lacks only CancelCallBack, for the start-up check. Its entry
   points do nothing: the program must end before it would call them. */
#include <stdint.h>

__declspec(dllexport) int32_t __cdecl GetNewMail(void* request) { (void)request; return 1; }
__declspec(dllexport) int32_t __cdecl GetMailAbort(void) { return 0; }
__declspec(dllexport) int32_t __cdecl GetMailHeader(void) { return 0; }

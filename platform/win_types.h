// Fixed-width stand-ins for the integer and handle types that the ported
// code was written against. DWORD stays 32 bits; message parameters must be
// wide enough to carry a pointer on a 64-bit build.
#pragma once

#include <cstdint>

typedef uint32_t DWORD;
typedef int32_t BOOL;
typedef uint32_t UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef void* HANDLE;
typedef void* HMODULE;
typedef void* HWND;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Resources embedded in the executable at build time, looked up by type and
// name like the module resources the game was designed around. Letter case
// is ignored in both. A missing resource gives null or 0, never a crash.
#pragma once

#include "platform/win_types.h"

struct EmbeddedResource
{
    const char* name;
    const char* type;
    const unsigned char* begin;
    const unsigned char* end;
};

// Called by the generated table of each executable during start-up.
bool RegisterEmbeddedResources(const EmbeddedResource* table, unsigned count);

typedef const EmbeddedResource* HRSRC;
typedef const void* HGLOBAL;

// The module argument is accepted for symmetry and ignored: there is one module.
HRSRC FindResourceA(HMODULE module, const char* name, const char* type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
const void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

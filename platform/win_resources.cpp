#include "platform/win_resources.h"

#include <strings.h>

namespace {

const EmbeddedResource* g_table = nullptr;
unsigned g_count = 0;

bool SameText(const char* a, const char* b)
{
    return a && b && strcasecmp(a, b) == 0;
}

} // namespace

bool RegisterEmbeddedResources(const EmbeddedResource* table, unsigned count)
{
    g_table = table;
    g_count = count;
    return true;
}

HRSRC FindResourceA(HMODULE, const char* name, const char* type)
{
    for (unsigned i = 0; i < g_count; ++i)
        if (SameText(g_table[i].name, name) && SameText(g_table[i].type, type))
            return &g_table[i];
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    return resource ? resource->begin : nullptr;
}

const void* LockResource(HGLOBAL data)
{
    return data;
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    return resource ? static_cast<DWORD>(resource->end - resource->begin) : 0;
}

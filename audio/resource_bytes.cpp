#include "audio/resource_bytes.h"

#include "platform/win_resources.h"

const uint8_t* FindResourceBytes(const char* name, const char* type, uint32_t* size)
{
    HRSRC found = FindResourceA(nullptr, name, type);
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (!loaded)
        return nullptr;
    const void* data = LockResource(loaded);
    *size = SizeofResource(nullptr, found);
    if (!data || *size == 0)
        return nullptr;
    return static_cast<const uint8_t*>(data);
}

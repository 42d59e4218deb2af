// Objects shared between the GUI thread and the sound thread. Each holder
// keeps one reference; the last release deletes the object. Every count
// changes under g_refCountLock, the one lock both threads take.
#pragma once

#include <cstdint>

class CRefCountedObject
{
public:
    virtual ~CRefCountedObject() = default;

    void AddRef();
    // Deletes the object when this was the last reference. Never given null.
    void Release();

    int32_t refCount = 1;
};

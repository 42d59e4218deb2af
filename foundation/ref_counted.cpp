#include "foundation/ref_counted.h"

#include "foundation/framework_locks.h"

void CRefCountedObject::AddRef()
{
    wxCriticalSectionLocker lock(g_refCountLock);
    ++refCount;
}

void CRefCountedObject::Release()
{
    int32_t left;
    {
        wxCriticalSectionLocker lock(g_refCountLock);
        left = --refCount;
    }
    if (left == 0)
        delete this;
}

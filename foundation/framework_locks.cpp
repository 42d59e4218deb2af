#include "foundation/framework_locks.h"

// Defined together so they are destroyed at exit in the reverse order:
// the task registry first, then the task lock, then the reference-count lock.
wxCriticalSection g_refCountLock;
wxCriticalSection g_threadTaskLock;
std::list<CThreadTask*> g_threadTasks;

#include "foundation/framework_locks.h"

// Made once and left alone at exit (see the header).
wxCriticalSection& g_refCountLock = *new wxCriticalSection;
wxCriticalSection& g_threadTaskLock = *new wxCriticalSection;
std::list<CThreadTask*>& g_threadTasks = *new std::list<CThreadTask*>;

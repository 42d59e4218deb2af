// The framework's process-wide locks and the registry of worker tasks.
// Both locks are recursive, so a holder may take them again.
//
// None of them is ever destroyed: a worker thread may still let go of its
// task (or a reference) while exit runs, and must find them intact.
#pragma once

#include <list>

#include <wx/thread.h>

class CThreadTask;

extern wxCriticalSection& g_refCountLock;
extern wxCriticalSection& g_threadTaskLock;
extern std::list<CThreadTask*>& g_threadTasks;

#include "platform/win_threads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

struct MessageQueue
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<MSG> messages;
    bool closed = false; // its thread ended: posts that found it late must fail
};

// Queues by thread id. The registry lock is held only to find a queue.
std::mutex g_queuesMutex;
std::map<DWORD, std::shared_ptr<MessageQueue>> g_queues;
std::atomic<ThreadMessageDisposer> g_disposer{nullptr};
std::atomic<DWORD> g_nextThreadId{1};

DWORD NewThreadId()
{
    return g_nextThreadId.fetch_add(1);
}

DWORD& CurrentThreadId()
{
    thread_local DWORD id = 0;
    if (id == 0)
        id = NewThreadId();
    return id;
}

uint32_t TickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void DisposeQueue(const std::shared_ptr<MessageQueue>& queue)
{
    std::deque<MSG> left;
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        left.swap(queue->messages);
        queue->closed = true;
    }
    ThreadMessageDisposer disposer = g_disposer.load();
    if (disposer)
        for (const MSG& msg : left)
            disposer(msg);
}

// Owns the calling thread's queue; removes and drains it when the thread ends.
struct QueueOwner
{
    DWORD id = 0;
    std::shared_ptr<MessageQueue> queue;

    void Release()
    {
        if (!queue)
            return;
        {
            std::lock_guard<std::mutex> lock(g_queuesMutex);
            g_queues.erase(id);
        }
        DisposeQueue(queue);
        queue.reset();
    }

    ~QueueOwner() { Release(); }
};

thread_local QueueOwner t_queueOwner;

MessageQueue& OwnQueue()
{
    QueueOwner& owner = t_queueOwner;
    if (!owner.queue) {
        owner.id = CurrentThreadId();
        owner.queue = std::make_shared<MessageQueue>();
        std::lock_guard<std::mutex> lock(g_queuesMutex);
        g_queues[owner.id] = owner.queue;
    }
    return *owner.queue;
}

bool InRange(UINT message, UINT first, UINT last)
{
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// Takes the first message in range, if any; the queue lock must be held.
bool TakeMessage(MessageQueue& queue, MSG* msg, UINT first, UINT last, bool remove)
{
    for (auto it = queue.messages.begin(); it != queue.messages.end(); ++it) {
        if (!InRange(it->message, first, last))
            continue;
        *msg = *it;
        if (remove)
            queue.messages.erase(it);
        return true;
    }
    return false;
}

struct ThreadObject
{
    std::thread thread;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    DWORD exitCode = STILL_ACTIVE;
    pid_t systemId = 0;
    bool started = false;

    ~ThreadObject()
    {
        if (thread.joinable())
            thread.detach();
    }
};

struct ThreadHandle
{
    std::shared_ptr<ThreadObject> object;
};

ThreadObject* ObjectOf(HANDLE handle)
{
    return handle ? static_cast<ThreadHandle*>(handle)->object.get() : nullptr;
}

void RunThread(std::shared_ptr<ThreadObject> object, DWORD id, LPTHREAD_START_ROUTINE start,
               void* parameter)
{
    CurrentThreadId() = id;
    {
        std::lock_guard<std::mutex> lock(object->mutex);
        object->systemId = static_cast<pid_t>(syscall(SYS_gettid));
        object->started = true;
    }
    object->ended.notify_all();
    DWORD result = start(parameter);
    // The queue goes with the thread, before anyone waiting learns it ended.
    t_queueOwner.Release();
    std::lock_guard<std::mutex> lock(object->mutex);
    object->exitCode = result;
    object->done = true;
    object->ended.notify_all();
}

} // namespace

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags,
                    DWORD* threadId)
{
    if (!start || flags != 0)
        return nullptr;
    auto object = std::make_shared<ThreadObject>();
    DWORD id = NewThreadId();
    try {
        object->thread = std::thread(RunThread, object, id, start, parameter);
    } catch (...) {
        return nullptr;
    }
    if (threadId)
        *threadId = id;
    return new ThreadHandle{object};
}

BOOL SetThreadPriority(HANDLE thread, int priority)
{
    ThreadObject* object = ObjectOf(thread);
    if (!object)
        return FALSE;
    std::unique_lock<std::mutex> lock(object->mutex);
    object->ended.wait(lock, [object] { return object->started; });
    if (object->done)
        return FALSE;
    // Linux threads carry their own nice value; lower is more urgent.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(object->systemId), -priority) == 0;
}

DWORD WaitForSingleObject(HANDLE thread, DWORD milliseconds)
{
    ThreadObject* object = ObjectOf(thread);
    if (!object)
        return WAIT_FAILED;
    std::unique_lock<std::mutex> lock(object->mutex);
    auto isDone = [object] { return object->done; };
    if (milliseconds == INFINITE)
        object->ended.wait(lock, isDone);
    else if (!object->ended.wait_for(lock, std::chrono::milliseconds(milliseconds), isDone))
        return WAIT_TIMEOUT;
    return WAIT_OBJECT_0;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode)
{
    ThreadObject* object = ObjectOf(thread);
    if (!object || !exitCode)
        return FALSE;
    std::lock_guard<std::mutex> lock(object->mutex);
    *exitCode = object->exitCode;
    return TRUE;
}

BOOL CloseHandle(HANDLE thread)
{
    auto* handle = static_cast<ThreadHandle*>(thread);
    if (!handle)
        return FALSE;
    ThreadObject* object = handle->object.get();
    bool done;
    {
        std::lock_guard<std::mutex> lock(object->mutex);
        done = object->done;
    }
    if (object->thread.joinable()) {
        if (done && object->thread.get_id() != std::this_thread::get_id())
            object->thread.join();
        else
            object->thread.detach();
    }
    delete handle;
    return TRUE;
}

DWORD GetCurrentThreadId()
{
    return CurrentThreadId();
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard<std::mutex> lock(g_queuesMutex);
        auto it = g_queues.find(threadId);
        if (it == g_queues.end())
            return FALSE;
        queue = it->second;
    }
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        if (queue->closed)
            return FALSE;
        queue->messages.push_back(MSG{nullptr, message, wParam, lParam, TickCount()});
    }
    queue->arrived.notify_one();
    return TRUE;
}

BOOL GetMessageA(MSG* msg, HWND, UINT first, UINT last)
{
    if (!msg)
        return -1;
    MessageQueue& queue = OwnQueue();
    std::unique_lock<std::mutex> lock(queue.mutex);
    queue.arrived.wait(lock, [&] { return TakeMessage(queue, msg, first, last, true); });
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageA(MSG* msg, HWND, UINT first, UINT last, UINT remove)
{
    if (!msg)
        return FALSE;
    MessageQueue& queue = OwnQueue();
    std::lock_guard<std::mutex> lock(queue.mutex);
    return TakeMessage(queue, msg, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

void SetThreadMessageDisposer(ThreadMessageDisposer disposer)
{
    g_disposer.store(disposer);
}

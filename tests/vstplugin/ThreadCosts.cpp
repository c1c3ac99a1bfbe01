#include "ThreadCosts.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <fstream>
#include <string>

namespace
{
thread_local bool counting = false;
thread_local long allocations = 0;
thread_local long locks = 0;

// The kernel's count of write system calls made by the calling thread.
long writeSystemCalls()
{
    std::ifstream io ("/proc/thread-self/io");
    std::string key;
    long value = 0;
    while (io >> key >> value)
        if (key == "syscw:")
            return value;
    return -1;
}
} // namespace

#if ! defined(__SANITIZE_ADDRESS__) && ! defined(__SANITIZE_THREAD__)
// The test binary's own allocator and mutex entry points, which the plug-in's code calls too: they
// count, and hand on to the C library's.
extern "C"
{
void* __libc_malloc (size_t);
void* __libc_calloc (size_t, size_t);
void* __libc_realloc (void*, size_t);

void* malloc (size_t size)
{
    allocations += counting ? 1 : 0;
    return __libc_malloc (size);
}

void* calloc (size_t count, size_t size)
{
    allocations += counting ? 1 : 0;
    return __libc_calloc (count, size);
}

void* realloc (void* block, size_t size)
{
    allocations += counting ? 1 : 0;
    return __libc_realloc (block, size);
}

int pthread_mutex_lock (pthread_mutex_t* mutex)
{
    using Lock = int (*) (pthread_mutex_t*);
    static std::atomic<Lock> libraryLock { nullptr };

    locks += counting ? 1 : 0;
    auto lock = libraryLock.load (std::memory_order_relaxed);
    if (lock == nullptr)
    {
        lock = reinterpret_cast<Lock> (dlsym (RTLD_NEXT, "pthread_mutex_lock"));
        libraryLock.store (lock, std::memory_order_relaxed);
    }
    return lock (mutex);
}
}
#endif

CountedThreadCosts::CountedThreadCosts() : writesAtStart (writeSystemCalls())
{
    allocations = 0;
    locks = 0;
    counting = true;
}

ThreadCosts CountedThreadCosts::stop()
{
    counting = false;
    return { allocations, locks, writeSystemCalls() - writesAtStart };
}

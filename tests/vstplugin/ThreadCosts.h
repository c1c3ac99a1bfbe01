#pragma once

// What the calling thread spends between a CountedThreadCosts's making and its stop(): heap allocations
// and mutex locks, counted by the test binary's own stand-ins for the allocator and the lock, and write
// system calls, from the kernel's count for the thread.
struct ThreadCosts
{
    long allocations = 0;
    long locks = 0;
    long writes = 0;
};

class CountedThreadCosts
{
public:
    // Not under a sanitizer: its runtime has the allocator and the lock to itself, and makes system
    // calls of its own on the thread it checks.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    static constexpr bool countsExactly = false;
#else
    static constexpr bool countsExactly = true;
#endif

    CountedThreadCosts();
    ThreadCosts stop();

private:
    long writesAtStart;
};

#pragma once

// What the calling thread spends between start and stop: heap allocations and mutex locks, counted by
// the test binary's own stand-ins for the allocator and the lock, and write system calls, from the
// kernel's own count for the thread.
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
    static bool countsExactly() noexcept;

    // Starts counting on the calling thread.
    CountedThreadCosts();

    // What the calling thread has spent since construction; call it on the same thread.
    ThreadCosts stop();

private:
    long writesAtStart;
};

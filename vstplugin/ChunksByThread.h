#pragma once

#include <juce_core/juce_core.h>

#include <map>
#include <mutex>
#include <thread>

// The chunks handed to the host, one for each thread that asks. A host may save on one thread while
// another autosaves: each chunk stays where it is until its own thread's next chunk call, so every
// caller reads a whole one. Chunk calls never come on the audio thread, so a lock is fine here.
class ChunksByThread
{
public:
    // Keeps chunk for the calling thread in place of that thread's previous one and answers where
    // its bytes are.
    void* keepForCallingThread (juce::MemoryBlock chunk)
    {
        const std::lock_guard<std::mutex> lock (mutex);
        auto& kept = chunks[std::this_thread::get_id()];
        kept.swapWith (chunk);
        return kept.getData();
    }

    void releaseForCallingThread()
    {
        const std::lock_guard<std::mutex> lock (mutex);
        chunks.erase (std::this_thread::get_id());
    }

private:
    std::mutex mutex;
    std::map<std::thread::id, juce::MemoryBlock> chunks;
};

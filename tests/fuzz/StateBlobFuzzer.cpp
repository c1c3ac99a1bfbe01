// libFuzzer target: restores random and mutated state blobs. Whatever a blob holds, every value must
// stay within 0..1 and a blob written afterwards must read back to itself.

#include "PluginProcessor.h"
#include "StateBlob.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>


namespace
{
MyAudioProcessor& processor()
{
    static std::unique_ptr<juce::AudioProcessor> instance (createPluginFilterOfType (juce::AudioProcessor::wrapperType_VST));
    return static_cast<MyAudioProcessor&> (*instance);
}

void restore (const void* data, size_t size)
{
    processor().setStateInformation (data, static_cast<int> (size));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    // An odd first byte wraps the rest in a valid header, so that the XML reader gets most inputs.
    if (size > 0 && (data[0] & 1) != 0)
    {
        juce::MemoryOutputStream blob;
        blob.writeInt (static_cast<int> (StateBlob::magic));
        blob.writeInt (static_cast<int> (size - 1));
        blob.write (data + 1, size - 1);
        restore (blob.getData(), blob.getDataSize());
    }
    else
    {
        restore (data, size);
    }

    for (int index = 0; index < 5; ++index)
    {
        const auto value = processor().getParameter (index);
        if (! (value >= 0.0f && value <= 1.0f))
            std::abort();
    }

    juce::MemoryBlock written, rewritten;
    processor().getStateInformation (written);
    restore (written.getData(), written.getSize());
    processor().getStateInformation (rewritten);
    if (written != rewritten)
        std::abort();

    return 0;
}


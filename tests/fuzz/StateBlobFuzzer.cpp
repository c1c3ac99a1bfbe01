// libFuzzer target: restores random and mutated state blobs, starting from blobs crafted to crash,
// freeze or mislead a reader. Whatever a blob holds, a refused blob must change nothing, every value
// must stay within 0..1, and a blob written afterwards must read back to itself.

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

juce::MemoryBlock save()
{
    juce::MemoryBlock blob;
    processor().getStateInformation (blob);
    return blob;
}

void restore (const void* data, size_t size)
{
    const auto before = save();
    const bool refused = ! StateBlob::read (data, static_cast<int> (size)).has_value();
    processor().setStateInformation (data, static_cast<int> (size));

    if (refused && save() != before)
        std::abort();
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

    const auto written = save();
    restore (written.getData(), written.getSize());
    if (save() != written)
        std::abort();

    return 0;
}


#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class CoalescedChangeNotifier;
class Engine;
class Programs;

// The plug-in's audio processor: one per plug-in instance, made only by createPluginFilterOfType.
//
// Parameters are addressed by index (see ParameterIndex), through the index-based parameter API that
// the plug-in's wrapper and editor call. JUCE 7 marks that API deprecated; it is the interface hosts
// see here, so the overrides silence the warning.
class MyAudioProcessor : public juce::AudioProcessor,
                         public juce::ChangeBroadcaster
{
public:
    using MillisecondClock = juce::uint32 (*)();

    ~MyAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;
    // Leaves the audio as it came; a mono input is centred, as processing centres it.
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlockBypassed;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    const juce::String getInputChannelName (int channelIndex) const override;
    const juce::String getOutputChannelName (int channelIndex) const override;
    bool isInputChannelStereoPair (int index) const override;
    bool isOutputChannelStereoPair (int index) const override;
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    bool silenceInProducesSilenceOut() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    int getNumParameters() override;
    const juce::String getParameterName (int index) override;
    float getParameter (int index) override;
    const juce::String getParameterText (int index) override;
    void setParameter (int index, float value) override;
    using juce::AudioProcessor::getParameterName;
    using juce::AudioProcessor::getParameterText;
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    int getNumPrograms() override;
    int getCurrentProgram() override;
    // Callable from any thread. Change listeners hear of it on the message thread; changes that come
    // faster than they can be told arrive as one.
    void setCurrentProgram (int index) override;
    // Tells the change listeners now of a program change they have not heard of yet, rather than at the
    // message thread's next look; on the message thread.
    void deliverPendingProgramChange();
    // A change listener that hears of program changes within CoalescedChangeNotifier::lookIntervalMs
    // without asking, as an open editor does. While none is added, nothing looks for changes by itself,
    // so a processor without an editor costs nothing between host calls. On the message thread.
    void addProgramChangeListener (juce::ChangeListener* listener);
    void removeProgramChangeListener (juce::ChangeListener* listener);
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    // JUCE's setPlayConfigDetails, keeping a copy of the rate that any thread may read: JUCE's own is a
    // plain field, which one host thread may set while another opens the editor that shows it.
    void setPlayConfig (int numIns, int numOuts, double sampleRate, int expectedBlockSize);
    // The rate last set by setPlayConfig, 0 before any; callable from any thread.
    double getPlayConfigSampleRate() const noexcept;

    // The clock of the 200 ms rule between a state restore and a program change; tests replace it.
    void setMillisecondClock (MillisecondClock clock) noexcept;

    // Read-only view of the reverb engine, for measurement and tests.
    const Engine& getEngine() const noexcept { return *engine; }

private:
    friend juce::AudioProcessor* createPluginFilterOfType (juce::AudioProcessor::WrapperType);
    MyAudioProcessor();

    // Makes program `index` current and sets its four values; "Mix" stays.
    void applyProgram (int index);

    std::unique_ptr<Engine> engine;
    std::unique_ptr<Programs> programs;
    std::unique_ptr<CoalescedChangeNotifier> programChangeNotifier;
    std::atomic<int> curProgram { 0 };
    std::atomic<double> playConfigSampleRate { 0.0 };
    std::atomic<juce::uint32> lastStateLoadTime { 0 };
    std::atomic<MillisecondClock> millisecondClock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyAudioProcessor)
};

// The only way to make a processor. The caller owns the result.
juce::AudioProcessor* createPluginFilterOfType (juce::AudioProcessor::WrapperType wrapperType);

#include "PluginProcessor.h"

#include "CoalescedChangeNotifier.h"
#include "DecimalText.h"
#include "Engine.h"
#include "ParameterMapping.h"
#include "PluginEditor.h"
#include "Programs.h"
#include "StateBlob.h"

namespace
{
constexpr const char* parameterNames[numParameters] = { "Mix", "Predelay", "Decay", "FCut", "Volume" };

// Hosts often send a program change right after restoring a project; inside this window it would
// overwrite the values the restore has just set.
constexpr juce::uint32 programChangeHoldOffMs = 200;

constexpr double defaultSampleRate = 44100.0;
} // namespace

MyAudioProcessor::MyAudioProcessor()
    : engine (std::make_unique<Engine>()),
      programChangeNotifier (std::make_unique<CoalescedChangeNotifier> (*this)),
      millisecondClock (&juce::Time::getMillisecondCounter)
{
    const auto rate = getSampleRate() > 0.0 ? getSampleRate() : defaultSampleRate;
    programs = std::make_unique<Programs> (rate);

    // Nobody listens yet, so nobody is told.
    applyProgram (0);
}

MyAudioProcessor::~MyAudioProcessor()
{
    programs.reset();
    engine.reset();
}

juce::AudioProcessor* createPluginFilterOfType (juce::AudioProcessor::WrapperType wrapperType)
{
    struct NextPluginType
    {
        explicit NextPluginType (juce::AudioProcessor::WrapperType type) { juce::AudioProcessor::setTypeOfNextNewPlugin (type); }
        ~NextPluginType() { juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined); }
    };

    const NextPluginType nextType (wrapperType);
    return new MyAudioProcessor();
}

const juce::String MyAudioProcessor::getName() const { return "Halvorn"; }

void MyAudioProcessor::prepareToPlay (double sampleRate, int)
{
    engine->prepare (sampleRate);
    programs->initPrograms (sampleRate);
}

void MyAudioProcessor::releaseResources() {}

void MyAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    const auto inputs = getTotalNumInputChannels();

    if (! (inputs == 1 || inputs == 2) || getTotalNumOutputChannels() != 2
        || buffer.getNumChannels() < 2 || buffer.getNumSamples() <= 0)
        return;

    auto* left = buffer.getWritePointer (0);
    auto* right = buffer.getWritePointer (1);

    // With one input the second channel holds whatever the host's buffer held: take the mono input
    // as a centred source instead.
    if (inputs == 1)
        std::copy (left, left + buffer.getNumSamples(), right);

    engine->process (left, right, buffer.getNumSamples());
}

void MyAudioProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    if (getTotalNumInputChannels() == 1 && buffer.getNumChannels() >= 2)
        buffer.copyFrom (1, 0, buffer, 0, 0, buffer.getNumSamples());
}

// Counted in 64 bits, so that the largest index still names the channel after it.
const juce::String MyAudioProcessor::getInputChannelName (int channelIndex) const { return juce::String (juce::int64 { channelIndex } + 1); }
const juce::String MyAudioProcessor::getOutputChannelName (int channelIndex) const { return juce::String (juce::int64 { channelIndex } + 1); }
bool MyAudioProcessor::isInputChannelStereoPair (int) const { return true; }
bool MyAudioProcessor::isOutputChannelStereoPair (int) const { return true; }
bool MyAudioProcessor::silenceInProducesSilenceOut() const { return false; }
double MyAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool MyAudioProcessor::acceptsMidi() const { return false; }
bool MyAudioProcessor::producesMidi() const { return false; }

juce::AudioProcessorEditor* MyAudioProcessor::createEditor() { return new MyAudioProcessorEditor (this); }
bool MyAudioProcessor::hasEditor() const { return true; }

int MyAudioProcessor::getNumParameters() { return numParameters; }

const juce::String MyAudioProcessor::getParameterName (int index)
{
    return isParameterIndex (index) ? juce::String (parameterNames[index]) : juce::String();
}

float MyAudioProcessor::getParameter (int index) { return engine->getParameter (index); }

const juce::String MyAudioProcessor::getParameterText (int index)
{
    return isParameterIndex (index) ? formatDecimal (engine->getParameter (index), 2) : juce::String();
}

void MyAudioProcessor::setParameter (int index, float value) { engine->setParameter (index, value); }

int MyAudioProcessor::getNumPrograms() { return Programs::numPrograms; }
int MyAudioProcessor::getCurrentProgram() { return curProgram.load (std::memory_order_relaxed); }

void MyAudioProcessor::setCurrentProgram (int index)
{
    const auto now = millisecondClock.load (std::memory_order_relaxed)();

    if (! Programs::isProgramNumber (index))
        return;

    if (now - lastStateLoadTime.load (std::memory_order_relaxed) < programChangeHoldOffMs)
        return;

    applyProgram (index);
    programChangeNotifier->post();
}

void MyAudioProcessor::setPlayConfig (int numIns, int numOuts, double sampleRate, int expectedBlockSize)
{
    setPlayConfigDetails (numIns, numOuts, sampleRate, expectedBlockSize);
    playConfigSampleRate.store (sampleRate, std::memory_order_relaxed);
}

double MyAudioProcessor::getPlayConfigSampleRate() const noexcept
{
    return playConfigSampleRate.load (std::memory_order_relaxed);
}

void MyAudioProcessor::deliverPendingProgramChange()
{
    programChangeNotifier->deliverPending();
}

void MyAudioProcessor::addProgramChangeListener (juce::ChangeListener* listener)
{
    addChangeListener (listener);
    programChangeNotifier->startWatching();
}

void MyAudioProcessor::removeProgramChangeListener (juce::ChangeListener* listener)
{
    programChangeNotifier->stopWatching();
    removeChangeListener (listener);
}

void MyAudioProcessor::applyProgram (int index)
{
    curProgram.store (index, std::memory_order_relaxed);

    for (const auto parameter : { predelayParameter, decayParameter, fcutParameter, volumeParameter })
        setParameter (parameter, programs->getValue (index, parameter));
}

const juce::String MyAudioProcessor::getProgramName (int index)
{
    return Programs::isProgramNumber (index) ? programs->getName (index) : juce::String ("Invalid");
}

void MyAudioProcessor::changeProgramName (int index, const juce::String& newName)
{
    if (Programs::isProgramNumber (index))
        programs->setName (index, newName);
}

void MyAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    std::array<float, numParameters> values {};
    for (int index = 0; index < numParameters; ++index)
        values[static_cast<size_t> (index)] = engine->getParameter (index);

    StateBlob::write (destData, getCurrentProgram(), values);
}

void MyAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (const auto contents = StateBlob::read (data, sizeInBytes))
    {
        const auto program = contents->program ? StateBlob::toProgramNumber (*contents->program) : getCurrentProgram();
        curProgram.store (program, std::memory_order_relaxed);
        setCurrentProgram (program);

        // Straight to the engine: a restore is not an edit, so no host is told and no change is sent.
        for (int index = 0; index < numParameters; ++index)
        {
            const auto& value = contents->values[static_cast<size_t> (index)];
            engine->setParameter (index, value ? StateBlob::toNearestFloat (*value) : engine->getParameter (index));
        }
    }

    lastStateLoadTime.store (millisecondClock.load (std::memory_order_relaxed)(), std::memory_order_relaxed);
}

void MyAudioProcessor::setMillisecondClock (MillisecondClock clock) noexcept
{
    millisecondClock.store (clock, std::memory_order_relaxed);
}

#include "HalvornVstEffect.h"

#include "ParameterMapping.h"
#include "PluginProcessor.h"
#include "PluginXConnection.h"
#include "Programs.h"

#include <cstring>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
constexpr double fallbackSampleRate = 44100.0;
constexpr int effectCategory = 1;
constexpr int offlineProcessLevel = 4;

// Sizes of the host's text buffers, terminator included.
constexpr int programNameBytes = 24;
constexpr int parameterTextBytes = 24;
constexpr int parameterNameBytes = 16;
constexpr int identityTextBytes = 64;

constexpr const char* effectName = "Halvorn";
constexpr const char* vendorName = "TEVRAL Soft";

void copyToHost (const juce::String& text, char* destination, int bytes)
{
    text.copyToUTF8 (destination, static_cast<size_t> (bytes));
}

// A text from the host, read no further than its buffer can reach.
juce::String fromHost (const char* text, int bytes)
{
    return juce::String::fromUTF8 (text, static_cast<int> (strnlen (text, static_cast<size_t> (bytes))));
}
} // namespace

HalvornVstEffect::HalvornVstEffect (HostCallback callback)
    : AudioEffectX (&HalvornVstEffect::callHostWhileOpen, Programs::numPrograms, ::numParameters),
      openHost (callback),
      // The factory makes nothing but a MyAudioProcessor.
      processor (static_cast<MyAudioProcessor*> (createPluginFilterOfType (juce::AudioProcessor::wrapperType_VST)))
{
    effectRecord.dispatcher = &HalvornVstEffect::dispatchFromHost;
    processor->setPlayConfig (2, 2, fallbackSampleRate, blockSize);
    processor->addListener (this);

    effectRecord.flags |= EffectFlag::hasEditor;
    effectRecord.version = versionForHosts;
    setUniqueID (fourCharCode ("hvrn"));
    setNumInputs (2);
    setNumOutputs (2);
    canProcessReplacing (true);
    isSynth (false);
    setInitialDelay (processor->getLatencySamples());
    programsAreChunks (true);
}

HalvornVstEffect::~HalvornVstEffect()
{
    // Deleted with JUCE held, so no message to the processor's listeners is being delivered meanwhile.
    // The editor goes first.
    closeEditor();
    processor->removeListener (this);
    processor.reset();
}

long long HalvornVstEffect::dispatchFromHost (AEffect* record, std::int32_t opcode, std::int32_t index, long long value,
                                              void* ptr, float opt)
{
    if (opcode != EffectOpcode::close)
        return dispatchEffectClass (record, opcode, index, value, ptr, opt);

    // The host lets go of the record with this call and hears nothing more from the effect. The effect
    // itself goes with JUCE held, so not while another host thread is delivering its messages, nor
    // while its own editor's request to the host is under way on this thread's stack: then the thread
    // that holds JUCE deletes it before its call into the plug-in returns.
    auto* effect = static_cast<HalvornVstEffect*> (record->effectObject);
    effect->dispatcher (opcode, index, value, ptr, opt);
    effect->openHost = nullptr;
    HostJuceCall::runUnwound ([effect] { delete effect; });
    return 1;
}

long long HalvornVstEffect::callHostWhileOpen (AEffect* record, std::int32_t opcode, std::int32_t index, long long value,
                                               void* ptr, float opt)
{
    // Announcing the call may wait for the runtime's lock, which a closing thread takes on its way out.
    // So the check that the host still has the effect comes after it, right before the call: once the
    // host's close has returned, no call starts.
    const ScopedCallToHost inCallToHost;
    const auto host = static_cast<HalvornVstEffect*> (record->effectObject)->openHost.load();
    if (host == nullptr)
        return 0;

    return host (record, opcode, index, value, ptr, opt);
}

long long HalvornVstEffect::dispatcher (int opcode, int index, long long value, void* ptr, float opt)
{
    switch (opcode)
    {
        case EffectOpcode::editorQueryBounds:
            return queryEditorBounds (static_cast<EditorRect**> (ptr));
        case EffectOpcode::editorOpenInWindow:
            return openEditor (ptr);
        case EffectOpcode::editorCloseView:
            closeEditor();
            return 0;
        case EffectOpcode::editorIdleTick:
            HostJuceCall::deliverPendingMessages ([this] { processor->deliverPendingProgramChange(); });
            return 0;
        default:
            return AudioEffectX::dispatcher (opcode, index, value, ptr, opt);
    }
}

bool HalvornVstEffect::makeEditorWindow()
{
    if (editorWindow != nullptr)
        return true;

    // The editor's first component connects JUCE to the X server.
    PluginXConnection::open();
    std::unique_ptr<juce::AudioProcessorEditor> editorComponent (processor->createEditorIfNeeded());
    if (editorComponent != nullptr)
        editorWindow = std::make_unique<VstEditorWindow> (std::move (editorComponent), *this);
    setFlag (EffectFlag::hasEditor, editorWindow != nullptr);

    return editorWindow != nullptr;
}

long long HalvornVstEffect::queryEditorBounds (EditorRect** rect)
{
    if (rect == nullptr)
        return 0;

    const auto call = HostJuceCall::enter();
    if (call == nullptr || ! makeEditorWindow())
        return 0;

    editorRect = editorWindow->getEditorRect();
    *rect = &editorRect;
    return static_cast<long long> (reinterpret_cast<std::intptr_t> (&editorRect));
}

long long HalvornVstEffect::openEditor (void* hostWindow)
{
    if (hostWindow == nullptr)
        return 0;

    const auto call = HostJuceCall::enter();
    if (call == nullptr || ! makeEditorWindow())
        return 0;

    editorWindow->attachTo (hostWindow);
    PluginXConnection::sendRequests();
    return 1;
}

void HalvornVstEffect::closeEditor()
{
    HostJuceCall::run ([this] {
        if (editorWindow == nullptr)
            return;

        // The host may close the editor from inside one of the editor's own requests, whose code is
        // still running further up the stack: the window lets go of the processor and the host now,
        // so that a new editor can open at once, and goes once that code has returned.
        editorWindow->detach();
        HostJuceCall::runUnwound ([closing = editorWindow.release()] {
            delete closing;
        });
    });
}

void HalvornVstEffect::open()
{
    setFlag (EffectFlag::hasEditor, processor->hasEditor());
}

void HalvornVstEffect::suspend()
{
    processor->releaseResources();
    isProcessing = false;
}

void HalvornVstEffect::resume()
{
    const auto rate = getSampleRate() > 0.0f ? static_cast<double> (getSampleRate()) : fallbackSampleRate;
    const auto expectedBlockSize = getBlockSize();

    isProcessing = true;
    firstProcessCallback = true;
    updateRealtimeMode();

    {
        const juce::ScopedLock lock (processor->getCallbackLock());
        processor->setPlayConfig (numInputChannels.load(), numOutputChannels.load(), rate, expectedBlockSize);
        processor->prepareToPlay (rate, expectedBlockSize);
    }

    setInitialDelay (processor->getLatencySamples());
    AudioEffectX::resume();
}

void HalvornVstEffect::updateRealtimeMode()
{
    processor->setNonRealtime (static_cast<std::int32_t> (getCurrentProcessLevel()) == offlineProcessLevel);
}

void HalvornVstEffect::processReplacing (float** inputs, float** outputs, int sampleFrames)
{
    if (firstProcessCallback.exchange (false))
    {
        if (! isProcessing)
            resume();
        updateRealtimeMode();
    }

    if (sampleFrames <= 0)
        return;

    const auto numInputs = juce::jlimit (0, 2, numInputChannels.load());
    const auto numOutputs = juce::jlimit (0, 2, numOutputChannels.load());

    // The processor works in place: each input is copied into its output first.
    float* channelPointers[2] = {};
    for (int channel = 0; channel < numOutputs; ++channel)
    {
        channelPointers[channel] = outputs[channel];
        if (channel < numInputs && outputs[channel] != inputs[channel])
            std::memcpy (outputs[channel], inputs[channel], sizeof (float) * static_cast<size_t> (sampleFrames));
    }

    juce::AudioBuffer<float> buffer (channelPointers, numOutputs, sampleFrames);
    const juce::ScopedLock lock (processor->getCallbackLock());

    if (isBypassed)
        processor->processBlockBypassed (buffer, noMidi);
    else
        processor->processBlock (buffer, noMidi);
}

void HalvornVstEffect::setParameter (int index, float value) { processor->setParameter (index, value); }
float HalvornVstEffect::getParameter (int index) { return processor->getParameter (index); }
int HalvornVstEffect::getProgram() { return processor->getCurrentProgram(); }
void HalvornVstEffect::setProgram (int program) { processor->setCurrentProgram (program); }

void HalvornVstEffect::setProgramName (char* name)
{
    processor->changeProgramName (processor->getCurrentProgram(), fromHost (name, programNameBytes));
}

void HalvornVstEffect::getProgramName (char* name)
{
    copyToHost (processor->getProgramName (processor->getCurrentProgram()), name, programNameBytes);
}

void HalvornVstEffect::getParameterLabel (int index, char* label)
{
    copyToHost (processor->getParameterLabel (index), label, parameterTextBytes);
}

void HalvornVstEffect::getParameterDisplay (int index, char* text)
{
    copyToHost (processor->getParameterText (index, parameterTextBytes), text, parameterTextBytes);
}

void HalvornVstEffect::getParameterName (int index, char* text)
{
    copyToHost (processor->getParameterName (index, parameterNameBytes), text, parameterNameBytes);
}

int HalvornVstEffect::getChunk (void** data, bool isPreset)
{
    juce::MemoryBlock chunk;
    if (isPreset)
        processor->getCurrentProgramStateInformation (chunk);
    else
        processor->getStateInformation (chunk);

    const auto size = static_cast<int> (chunk.getSize());
    *data = chunks.keepForCallingThread (std::move (chunk));
    return size;
}

int HalvornVstEffect::setChunk (void* data, int byteSize, bool isPreset)
{
    // The host may hand back the very chunk that getChunk gave it: it is read before it is let go.
    if (isPreset)
        processor->setCurrentProgramStateInformation (data, byteSize);
    else
        processor->setStateInformation (data, byteSize);

    chunks.releaseForCallingThread();
    return 0;
}

void HalvornVstEffect::setNumInputs (int inputs)
{
    AudioEffectX::setNumInputs (inputs);
    numInputChannels = inputs;
}

void HalvornVstEffect::setNumOutputs (int outputs)
{
    AudioEffectX::setNumOutputs (outputs);
    numOutputChannels = outputs;
}

bool HalvornVstEffect::canParameterBeAutomated (int index) { return processor->isParameterAutomatable (index); }

bool HalvornVstEffect::string2parameter (int index, char* text)
{
    if (! isParameterIndex (index) || text == nullptr)
        return false;

    processor->setParameter (index, fromHost (text, parameterTextBytes).getFloatValue());
    return true;
}

bool HalvornVstEffect::getProgramNameIndexed (int, int index, char* text)
{
    if (static_cast<unsigned> (index) >= static_cast<unsigned> (processor->getNumPrograms()))
        return false;

    copyToHost (processor->getProgramName (index), text, programNameBytes);
    return true;
}

// Stereo in, stereo out; or mono in, stereo out.
bool HalvornVstEffect::setSpeakerArrangement (VstSpeakerArrangement* inputs, VstSpeakerArrangement* outputs)
{
    if (inputs == nullptr || outputs == nullptr)
        return false;

    const auto numIns = inputs->channelCount;
    if (! ((numIns == 1 || numIns == 2) && outputs->channelCount == 2))
        return false;

    setNumInputs (numIns);
    setNumOutputs (2);
    const juce::ScopedLock lock (processor->getCallbackLock());
    processor->setPlayConfig (numIns, 2, processor->getSampleRate(), processor->getBlockSize());
    return true;
}

bool HalvornVstEffect::setBypass (bool onOff)
{
    isBypassed = onOff;
    return true;
}

int HalvornVstEffect::getGetTailSize()
{
    return juce::roundToInt (processor->getTailLengthSeconds() * getSampleRate());
}

bool HalvornVstEffect::getEffectName (char* name)
{
    copyToHost (effectName, name, identityTextBytes);
    return true;
}

bool HalvornVstEffect::getVendorString (char* text)
{
    copyToHost (vendorName, text, identityTextBytes);
    return true;
}

bool HalvornVstEffect::getProductString (char* text)
{
    copyToHost (effectName, text, identityTextBytes);
    return true;
}

int HalvornVstEffect::getVendorVersion() { return vendorVersion; }

int HalvornVstEffect::canDo (char* capability)
{
    if (capability == nullptr)
        return 0;

    const auto asked = fromHost (capability, identityTextBytes);

    for (const auto* midi : { "receiveVstEvents", "receiveVstMidiEvent", "receiveVstMidiEvents",
                              "sendVstEvents", "sendVstMidiEvent", "sendVstMidiEvents" })
        if (asked == midi)
            return -1;

    for (const auto* supported : { "receiveVstTimeInfo", "conformsToWindowRules", "bypass" })
        if (asked == supported)
            return 1;

    return 0;
}

int HalvornVstEffect::getPlugCategory() { return effectCategory; }

void HalvornVstEffect::audioProcessorParameterChanged (juce::AudioProcessor*, int parameterIndex, float newValue)
{
    callHost (HostOpcode::setParameterAutomated, parameterIndex, 0, nullptr, newValue);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE

#pragma once

#include "AudioEffectX.h"
#include "ChunksByThread.h"
#include "Opcodes.h"
#include "JuceRuntime.h"
#include "PluginProcessor.h"
#include "VstEditorWindow.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <memory>

// The VST 2.4 effect that hosts load: the one concrete AudioEffectX, serving one processor made by the
// plug-in's factory. Host calls arrive on any thread; audio arrives through processReplacing.
class HalvornVstEffect : public AudioEffectX,
                         private juce::AudioProcessorListener
{
public:
    static constexpr int versionForHosts = 300;
    static constexpr int vendorVersion = 0x30000;

    explicit HalvornVstEffect (HostCallback callback);
    ~HalvornVstEffect() override;

    // Answers the editor opcodes itself; everything else goes to the base.
    long long dispatcher (int opcode, int index, long long value, void* ptr, float opt) override;

    void open() override;
    void suspend() override;
    void resume() override;

    void processReplacing (float** inputs, float** outputs, int sampleFrames) override;

    void setParameter (int index, float value) override;
    float getParameter (int index) override;
    int getProgram() override;
    void setProgram (int program) override;
    void setProgramName (char* name) override;
    void getProgramName (char* name) override;
    void getParameterLabel (int index, char* label) override;
    void getParameterDisplay (int index, char* text) override;
    void getParameterName (int index, char* text) override;
    // Each thread's chunk stays readable until that thread's next chunk call.
    int getChunk (void** data, bool isPreset) override;
    int setChunk (void* data, int byteSize, bool isPreset) override;
    void setNumInputs (int inputs) override;
    void setNumOutputs (int outputs) override;

    bool canParameterBeAutomated (int index) override;
    bool string2parameter (int index, char* text) override;
    bool getProgramNameIndexed (int category, int index, char* text) override;
    bool setSpeakerArrangement (VstSpeakerArrangement* inputs, VstSpeakerArrangement* outputs) override;
    bool setBypass (bool onOff) override;
    int getGetTailSize() override;
    bool getEffectName (char* name) override;
    bool getVendorString (char* text) override;
    bool getProductString (char* text) override;
    int getVendorVersion() override;
    int canDo (char* capability) override;
    int getPlugCategory() override;

    MyAudioProcessor& getProcessor() noexcept { return *processor; }

private:
    void audioProcessorParameterChanged (juce::AudioProcessor*, int parameterIndex, float newValue) override;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    void updateRealtimeMode();

    // Closes the effect with JUCE held and passes every other opcode on.
    static long long dispatchFromHost (AEffect* record, std::int32_t opcode, std::int32_t index, long long value,
                                       void* ptr, float opt);
    // The base calls the host through here, which stops at the host's close and lets other host threads
    // know when the thread that holds JUCE is inside a call to the host.
    static long long callHostWhileOpen (AEffect* record, std::int32_t opcode, std::int32_t index, long long value,
                                        void* ptr, float opt);

    // Editor work, done by the host thread that holds JUCE.
    long long queryEditorBounds (EditorRect** rect);
    long long openEditor (void* hostWindow);
    void closeEditor();
    bool makeEditorWindow();

    // The host's callback, until the host closes the effect.
    std::atomic<HostCallback> openHost;
    // Declared before what needs JUCE, so that JUCE outlives it.
    ScopedJuceRuntime juceRuntime;
    std::unique_ptr<MyAudioProcessor> processor;
    // Touched only by the host thread that holds JUCE.
    std::unique_ptr<VstEditorWindow> editorWindow;
    // The editor's bounds as the host last asked for them. Hosts may read them through the pointer
    // they were given long after the editor has gone.
    EditorRect editorRect {};
    ChunksByThread chunks;
    juce::MidiBuffer noMidi;
    juce::HeapBlock<float*> channels;
    std::atomic<bool> isProcessing { false };
    std::atomic<bool> firstProcessCallback { true };
    std::atomic<bool> isBypassed { false };
    // The channel counts that processing follows. The record holds them too, but as plain integers that
    // the host reads, while an arrangement change may come during processing.
    std::atomic<int> numInputChannels { 2 };
    std::atomic<int> numOutputChannels { 2 };

    JUCE_DECLARE_NON_COPYABLE (HalvornVstEffect)
};

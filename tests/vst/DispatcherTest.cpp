#include "Opcodes.h"
#include "TestEffects.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::string describe(int value) { return std::to_string(value); }
std::string describe(long long value) { return std::to_string(value); }
std::string describe(bool value) { return value ? "true" : "false"; }
std::string describe(float value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}
std::string describe(const void* pointer)
{
    std::ostringstream out;
    out << pointer;
    return out.str();
}

// Overrides every operation that a dispatcher row reaches: each records its name and
// arguments and answers `result`, converted to its own return type.
class RecordingEffect : public MinimalEffect
{
public:
    std::vector<std::string> calls;
    long long result = 0;

    void open() override { record("open"); }
    void close() override { record("close"); }
    void suspend() override { record("suspend"); }
    void resume() override { record("resume"); }
    void setSampleRate(float rate) override { record("setSampleRate", rate); }
    void setBlockSize(int size) override { record("setBlockSize", size); }
    int getProgram() override { return asInt(record("getProgram")); }
    void setProgram(int program) override { record("setProgram", program); }
    void setProgramName(char* name) override { record("setProgramName", name); }
    void getProgramName(char* name) override { record("getProgramName", name); }
    void getParameterLabel(int index, char* text) override { record("getParameterLabel", index, text); }
    void getParameterDisplay(int index, char* text) override { record("getParameterDisplay", index, text); }
    void getParameterName(int index, char* text) override { record("getParameterName", index, text); }
    int getChunk(void** data, bool isPreset) override { return asInt(record("getChunk", data, isPreset)); }
    int setChunk(void* data, int size, bool isPreset) override
    {
        return asInt(record("setChunk", data, size, isPreset));
    }

    int processEvents(VstEvents* events) override { return asInt(record("processEvents", events)); }
    bool canParameterBeAutomated(int index) override { return asBool(record("canParameterBeAutomated", index)); }
    bool string2parameter(int index, char* text) override { return asBool(record("string2parameter", index, text)); }
    bool getProgramNameIndexed(int category, int index, char* text) override
    {
        return asBool(record("getProgramNameIndexed", category, index, text));
    }
    bool getInputProperties(int index, VstPinProperties* properties) override
    {
        return asBool(record("getInputProperties", index, properties));
    }
    bool getOutputProperties(int index, VstPinProperties* properties) override
    {
        return asBool(record("getOutputProperties", index, properties));
    }
    int getPlugCategory() override { return asInt(record("getPlugCategory")); }
    bool offlineNotify(VstAudioFile* files, int count, bool start) override
    {
        return asBool(record("offlineNotify", files, count, start));
    }
    bool offlinePrepare(VstOfflineTask* tasks, int count) override
    {
        return asBool(record("offlinePrepare", tasks, count));
    }
    bool offlineRun(VstOfflineTask* tasks, int count) override { return asBool(record("offlineRun", tasks, count)); }
    bool processVariableIo(VstVariableIo* io) override { return asBool(record("processVariableIo", io)); }
    bool setSpeakerArrangement(VstSpeakerArrangement* inputs, VstSpeakerArrangement* outputs) override
    {
        return asBool(record("setSpeakerArrangement", inputs, outputs));
    }
    bool setBypass(bool onOff) override { return asBool(record("setBypass", onOff)); }
    bool getEffectName(char* name) override { return asBool(record("getEffectName", name)); }
    bool getVendorString(char* text) override { return asBool(record("getVendorString", text)); }
    bool getProductString(char* text) override { return asBool(record("getProductString", text)); }
    int getVendorVersion() override { return asInt(record("getVendorVersion")); }
    long long vendorSpecific(int index, long long value, void* ptr, float opt) override
    {
        return record("vendorSpecific", index, value, ptr, opt);
    }
    int canDo(char* capability) override { return asInt(record("canDo", capability)); }
    int getGetTailSize() override { return asInt(record("getGetTailSize")); }
    bool getParameterProperties(int index, VstParameterProperties* properties) override
    {
        return asBool(record("getParameterProperties", index, properties));
    }
    int getVstVersion() override { return asInt(record("getVstVersion")); }
    int getMidiProgramName(int channel, MidiProgramName* name) override
    {
        return asInt(record("getMidiProgramName", channel, name));
    }
    int getCurrentMidiProgram(int channel, MidiProgramName* name) override
    {
        return asInt(record("getCurrentMidiProgram", channel, name));
    }
    int getMidiProgramCategory(int channel, MidiProgramCategory* category) override
    {
        return asInt(record("getMidiProgramCategory", channel, category));
    }
    bool hasMidiProgramsChanged(int channel) override { return asBool(record("hasMidiProgramsChanged", channel)); }
    bool getMidiKeyName(int channel, MidiKeyName* keyName) override
    {
        return asBool(record("getMidiKeyName", channel, keyName));
    }
    bool beginSetProgram() override { return asBool(record("beginSetProgram")); }
    bool endSetProgram() override { return asBool(record("endSetProgram")); }
    bool getSpeakerArrangement(VstSpeakerArrangement** inputs, VstSpeakerArrangement** outputs) override
    {
        return asBool(record("getSpeakerArrangement", inputs, outputs));
    }
    int getNextShellPlugin(char* name) override { return asInt(record("getNextShellPlugin", name)); }
    int startProcess() override { return asInt(record("startProcess")); }
    int stopProcess() override { return asInt(record("stopProcess")); }
    int setTotalSampleToProcess(int value) override { return asInt(record("setTotalSampleToProcess", value)); }
    bool setPanLaw(int type, float value) override { return asBool(record("setPanLaw", type, value)); }
    int beginLoadBank(VstPatchChunkInfo* info) override { return asInt(record("beginLoadBank", info)); }
    int beginLoadProgram(VstPatchChunkInfo* info) override { return asInt(record("beginLoadProgram", info)); }
    bool setProcessPrecision(int precision) override { return asBool(record("setProcessPrecision", precision)); }
    int getNumMidiInputChannels() override { return asInt(record("getNumMidiInputChannels")); }
    int getNumMidiOutputChannels() override { return asInt(record("getNumMidiOutputChannels")); }

private:
    template <typename... Arguments>
    long long record(const char* operation, Arguments... arguments)
    {
        const std::vector<std::string> parts = { describe(arguments)... };
        std::string call = std::string(operation) + '(';
        for (std::size_t i = 0; i < parts.size(); ++i)
            call += (i == 0 ? "" : ", ") + parts[i];
        calls.push_back(call + ')');
        return result;
    }

    static int asInt(long long value) { return static_cast<int>(value); }
    static bool asBool(long long value) { return value != 0; }
};

enum class Answer
{
    zero,
    boolean,
    integer,
    unsignedInteger,
    unchanged,
};

long long expectedAnswer(Answer kind, long long result)
{
    switch (kind)
    {
        case Answer::zero:
            return 0;
        case Answer::boolean:
            return result != 0 ? 1 : 0;
        case Answer::integer:
            return static_cast<std::int32_t>(result);
        case Answer::unsignedInteger:
            return static_cast<std::uint32_t>(result);
        case Answer::unchanged:
            return result;
    }
    return 0;
}

// Distinct fake addresses: the recording overrides never dereference them.
void* const P = reinterpret_cast<void*>(0x1000);
const long long Q = 0x2000;

std::string pointerText(long long address)
{
    std::ostringstream out;
    out << reinterpret_cast<const void*>(address);
    return out.str();
}

struct Row
{
    int opcode;
    int index;
    long long value;
    void* ptr;
    float opt;
    std::string expectedCall;
    Answer answer;
};

std::vector<Row> dispatcherRows()
{
    const std::string p = pointerText(0x1000);
    const std::string q = pointerText(Q);
    return {
        { 0, 0, 0, nullptr, 0.0f, "open()", Answer::zero },
        { 1, 0, 0, nullptr, 0.0f, "close()", Answer::zero },
        { 2, 9, 5, nullptr, 0.0f, "setProgram(5)", Answer::zero },
        { 3, 0, 0, nullptr, 0.0f, "getProgram()", Answer::integer },
        { 4, 0, 0, P, 0.0f, "setProgramName(" + p + ")", Answer::zero },
        { 5, 0, 0, P, 0.0f, "getProgramName(" + p + ")", Answer::zero },
        { 6, 3, 0, P, 0.0f, "getParameterLabel(3, " + p + ")", Answer::zero },
        { 7, -4, 0, P, 0.0f, "getParameterDisplay(-4, " + p + ")", Answer::zero },
        { 8, 2, 0, P, 0.0f, "getParameterName(2, " + p + ")", Answer::zero },
        { 10, 0, 0, nullptr, 48000.0f, "setSampleRate(48000)", Answer::zero },
        { 11, 0, 0x100000200, nullptr, 0.0f, "setBlockSize(512)", Answer::zero },
        { 12, 0, 0, nullptr, 0.0f, "suspend()", Answer::zero },
        { 12, 0, 0x100000000, nullptr, 0.0f, "resume()", Answer::zero },
        { 12, 0, -1, nullptr, 0.0f, "resume()", Answer::zero },
        { 23, 1, 0, P, 0.0f, "getChunk(" + p + ", true)", Answer::integer },
        { 23, 0, 0, P, 0.0f, "getChunk(" + p + ", false)", Answer::integer },
        { 24, 0, 0x100000040, P, 0.0f, "setChunk(" + p + ", 64, false)", Answer::integer },
        { 24, -1, 3, P, 0.0f, "setChunk(" + p + ", 3, true)", Answer::integer },
        { 25, 0, 0, P, 0.0f, "processEvents(" + p + ")", Answer::integer },
        { 26, 4, 0, nullptr, 0.0f, "canParameterBeAutomated(4)", Answer::boolean },
        { 27, 2, 0, P, 0.0f, "string2parameter(2, " + p + ")", Answer::boolean },
        { 29, 5, 0x100000003, P, 0.0f, "getProgramNameIndexed(3, 5, " + p + ")", Answer::boolean },
        { 33, 1, 0, P, 0.0f, "getInputProperties(1, " + p + ")", Answer::boolean },
        { 34, 1, 0, P, 0.0f, "getOutputProperties(1, " + p + ")", Answer::boolean },
        { 35, 0, 0, nullptr, 0.0f, "getPlugCategory()", Answer::unsignedInteger },
        { 38, 1, 0x100000002, P, 0.0f, "offlineNotify(" + p + ", 2, true)", Answer::boolean },
        { 39, 0, 2, P, 0.0f, "offlinePrepare(" + p + ", 2)", Answer::boolean },
        { 40, 0, 2, P, 0.0f, "offlineRun(" + p + ", 2)", Answer::boolean },
        { 41, 0, 0, P, 0.0f, "processVariableIo(" + p + ")", Answer::boolean },
        { 42, 0, Q, P, 0.0f, "setSpeakerArrangement(" + q + ", " + p + ")", Answer::boolean },
        { 44, 0, 0x100000000, nullptr, 0.0f, "setBypass(true)", Answer::boolean },
        { 44, 0, 0, nullptr, 0.0f, "setBypass(false)", Answer::boolean },
        { 45, 0, 0, P, 0.0f, "getEffectName(" + p + ")", Answer::boolean },
        { 47, 0, 0, P, 0.0f, "getVendorString(" + p + ")", Answer::boolean },
        { 48, 0, 0, P, 0.0f, "getProductString(" + p + ")", Answer::boolean },
        { 49, 0, 0, nullptr, 0.0f, "getVendorVersion()", Answer::integer },
        { 50, 3, 0x123456789, P, 0.25f, "vendorSpecific(3, 4886718345, " + p + ", 0.25)", Answer::unchanged },
        { 51, 0, 0, P, 0.0f, "canDo(" + p + ")", Answer::integer },
        { 52, 0, 0, nullptr, 0.0f, "getGetTailSize()", Answer::integer },
        { 56, 2, 0, P, 0.0f, "getParameterProperties(2, " + p + ")", Answer::boolean },
        { 58, 0, 0, nullptr, 0.0f, "getVstVersion()", Answer::integer },
        { 62, 9, 0, P, 0.0f, "getMidiProgramName(9, " + p + ")", Answer::integer },
        { 63, 9, 0, P, 0.0f, "getCurrentMidiProgram(9, " + p + ")", Answer::integer },
        { 64, 9, 0, P, 0.0f, "getMidiProgramCategory(9, " + p + ")", Answer::integer },
        { 65, 9, 0, nullptr, 0.0f, "hasMidiProgramsChanged(9)", Answer::boolean },
        { 66, 9, 0, P, 0.0f, "getMidiKeyName(9, " + p + ")", Answer::boolean },
        { 67, 0, 0, nullptr, 0.0f, "beginSetProgram()", Answer::boolean },
        { 68, 0, 0, nullptr, 0.0f, "endSetProgram()", Answer::boolean },
        { 69, 0, Q, P, 0.0f, "getSpeakerArrangement(" + q + ", " + p + ")", Answer::boolean },
        { 70, 0, 0, P, 0.0f, "getNextShellPlugin(" + p + ")", Answer::integer },
        { 71, 0, 0, nullptr, 0.0f, "startProcess()", Answer::integer },
        { 72, 0, 0, nullptr, 0.0f, "stopProcess()", Answer::integer },
        { 73, 0, 0x100000005, nullptr, 0.0f, "setTotalSampleToProcess(5)", Answer::integer },
        { 74, 0, 2, nullptr, 0.5f, "setPanLaw(2, 0.5)", Answer::boolean },
        { 75, 0, 0, P, 0.0f, "beginLoadBank(" + p + ")", Answer::integer },
        { 76, 0, 0, P, 0.0f, "beginLoadProgram(" + p + ")", Answer::integer },
        { 77, 0, 1, nullptr, 0.0f, "setProcessPrecision(1)", Answer::boolean },
        { 78, 0, 0, nullptr, 0.0f, "getNumMidiInputChannels()", Answer::integer },
        { 79, 0, 0, nullptr, 0.0f, "getNumMidiOutputChannels()", Answer::integer },
    };
}

TEST(Dispatcher, EveryRowReachesItsOperationAndConvertsTheAnswer)
{
    const long long results[] = { 0, 1, 7, -1, 0x123456789, static_cast<long long>(0x8000000000000000ULL) };
    for (const Row& row : dispatcherRows())
    {
        for (long long result : results)
        {
            SCOPED_TRACE("opcode " + std::to_string(row.opcode) + ", operation result " + std::to_string(result));
            RecordingEffect effect;
            effect.result = result;
            const long long answer = effect.dispatcher(row.opcode, row.index, row.value, row.ptr, row.opt);
            EXPECT_EQ(std::vector<std::string> { row.expectedCall }, effect.calls);
            EXPECT_EQ(expectedAnswer(row.answer, result), answer);
        }
    }
}

// A host that passes no place for a text or record gets 0, and the operation is not called to read or
// fill it. The vendor-specific opcode alone passes any pointer on.
TEST(Dispatcher, RowsThatUseAHostPointerCallNothingWithoutIt)
{
    for (const Row& row : dispatcherRows())
    {
        if (row.ptr == nullptr || row.opcode == EffectOpcode::vendorSpecific)
            continue;
        SCOPED_TRACE("opcode " + std::to_string(row.opcode));
        RecordingEffect effect;
        effect.result = 1;
        EXPECT_EQ(0, effect.dispatcher(row.opcode, row.index, row.value, nullptr, row.opt));
        if (row.value == Q)
        {
            EXPECT_EQ(0, effect.dispatcher(row.opcode, row.index, 0, row.ptr, row.opt)) << "the place in the value";
        }
        EXPECT_TRUE(effect.calls.empty());
    }
}

TEST(Dispatcher, OpcodesWithoutARowCallNothingAndAnswerZero)
{
    const int opcodes[] = { INT_MIN, -1000, -1, 9, 16, 17, 18, 20, 21, 28, 30, 31, 32,
                            36, 37, 43, 46, 53, 54, 55, 57, 80, 1000, INT_MAX };
    for (int opcode : opcodes)
    {
        SCOPED_TRACE(opcode);
        RecordingEffect effect;
        effect.result = 1;
        char buffer[16] = "unchanged";
        EXPECT_EQ(0, effect.dispatcher(opcode, 1, 1, buffer, 1.0f));
        EXPECT_TRUE(effect.calls.empty());
        EXPECT_STREQ("unchanged", buffer);
    }
}

TEST(Dispatcher, ProgramSelectionChecksOnlyTheUpperEnd)
{
    RecordingEffect effect; // 24 programs
    effect.dispatcher(2, 0, 24, nullptr, 0.0f);
    effect.dispatcher(2, 0, 0x100000000, nullptr, 0.0f);
    EXPECT_TRUE(effect.calls.empty());

    effect.dispatcher(2, 0, 23, nullptr, 0.0f);
    effect.dispatcher(2, 0, -1, nullptr, 0.0f);
    effect.dispatcher(2, 0, LLONG_MIN, nullptr, 0.0f);
    const std::vector<std::string> expected = { "setProgram(23)", "setProgram(-1)", "setProgram(0)" };
    EXPECT_EQ(expected, effect.calls);
}

// Records which of its operations the editor opcodes reach.
class RecordingEditor : public EffectEditor
{
public:
    RecordingEditor(std::vector<std::string>& log, bool answer) : calls(log), result(answer) {}

    bool queryBounds(EditorRect** rect) override
    {
        calls.push_back("queryBounds");
        *rect = &bounds;
        return result;
    }
    bool openInWindow(void* parentWindow) override
    {
        calls.push_back(parentWindow == P ? "openInWindow(P)" : "openInWindow(?)");
        return result;
    }
    void closeView() override { calls.push_back("closeView"); }
    void idleTick() override { calls.push_back("idleTick"); }
    bool keyDownEvent(EditorKeyCode& keyCode) override
    {
        lastKey = keyCode;
        calls.push_back("keyDownEvent");
        return result;
    }
    bool keyUpEvent(EditorKeyCode& keyCode) override
    {
        lastKey = keyCode;
        calls.push_back("keyUpEvent");
        return result;
    }
    bool setModeValue(int mode) override
    {
        calls.push_back("setModeValue(" + std::to_string(mode) + ")");
        return result;
    }

    EditorRect bounds { 0, 0, 110, 430 };
    EditorKeyCode lastKey {};

private:
    std::vector<std::string>& calls;
    bool result;
};

TEST(Dispatcher, EditorOpcodesReachTheEditor)
{
    for (bool editorAnswer : { true, false })
    {
        SCOPED_TRACE(editorAnswer);
        std::vector<std::string> calls;
        RecordingEffect effect;
        auto* editor = new RecordingEditor(calls, editorAnswer);
        effect.attachEditor(editor);
        const long long expected = editorAnswer ? 1 : 0;

        EXPECT_EQ(0, effect.dispatcher(13, 0, 0, nullptr, 0.0f));
        EXPECT_EQ(0, effect.dispatcher(14, 0, 0, nullptr, 0.0f));
        EditorRect* bounds = nullptr;
        EXPECT_EQ(expected, effect.dispatcher(13, 0, 0, &bounds, 0.0f));
        EXPECT_EQ(&editor->bounds, bounds);
        EXPECT_EQ(expected, effect.dispatcher(14, 0, 0, P, 0.0f));
        EXPECT_EQ(0, effect.dispatcher(15, 0, 0, nullptr, 0.0f));
        EXPECT_EQ(0, effect.dispatcher(19, 0, 0, nullptr, 0.0f));
        EXPECT_EQ(expected, effect.dispatcher(61, 0, 0x100000003, nullptr, 0.0f));

        EXPECT_EQ(expected, effect.dispatcher(59, 65, 0x1FF, nullptr, 3.9f));
        EXPECT_EQ(65, editor->lastKey.character);
        EXPECT_EQ(0xFF, editor->lastKey.virtualKey);
        EXPECT_EQ(3, editor->lastKey.modifiers);

        EXPECT_EQ(expected, effect.dispatcher(60, -2, 0x141, nullptr, -1.5f));
        EXPECT_EQ(-2, editor->lastKey.character);
        EXPECT_EQ(0x41, editor->lastKey.virtualKey);
        EXPECT_EQ(0xFF, editor->lastKey.modifiers) << "-1.5 truncates to -1";

        const std::vector<std::string> expectedCalls = { "queryBounds", "openInWindow(P)", "closeView", "idleTick",
                                                         "setModeValue(3)", "keyDownEvent", "keyUpEvent" };
        EXPECT_EQ(expectedCalls, calls);
        EXPECT_TRUE(effect.calls.empty());
    }
}

TEST(Dispatcher, KeyModifiersOutsideTheIntegerRangeAreZero)
{
    const float opts[] = { 3.0e9f, -3.0e9f, 2147483648.0f, std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN() };
    for (float opt : opts)
    {
        SCOPED_TRACE(opt);
        std::vector<std::string> calls;
        MinimalEffect effect;
        auto* editor = new RecordingEditor(calls, true);
        effect.attachEditor(editor);
        editor->lastKey.modifiers = 0x55;
        effect.dispatcher(59, 1, 2, nullptr, opt);
        EXPECT_EQ(0, editor->lastKey.modifiers);
    }
    std::vector<std::string> calls;
    MinimalEffect effect;
    auto* editor = new RecordingEditor(calls, true);
    effect.attachEditor(editor);
    effect.dispatcher(59, 1, 2, nullptr, -2147483648.0f);
    EXPECT_EQ(0, editor->lastKey.modifiers);
    effect.dispatcher(59, 1, 2, nullptr, 2147483520.0f); // the largest float below 2^31
    EXPECT_EQ(0x80, editor->lastKey.modifiers);
}

TEST(Dispatcher, EditorOpcodesWithoutAnEditorAnswerZeroAndTouchNothing)
{
    MinimalEffect effect;
    EditorRect untouched {};
    EditorRect* place = &untouched;
    EXPECT_EQ(0, effect.dispatcher(13, 0, 0, &place, 0.0f));
    EXPECT_EQ(&untouched, place);
    for (int opcode : { 14, 15, 19, 59, 60, 61 })
        EXPECT_EQ(0, effect.dispatcher(opcode, 65, 0x1FF, nullptr, 3.9f)) << opcode;
}

// The answers a host gets from an effect that overrides nothing.
TEST(Dispatcher, DefaultAnswers)
{
    struct DefaultRow
    {
        int opcode;
        int index;
        long long value;
        float opt;
        long long answer;
    };
    const std::vector<DefaultRow> rows = {
        { 0, 0, 0, 0.0f, 0 },         { 1, 0, 0, 0.0f, 0 },          { 3, 0, 0, 0.0f, 0 },
        { 12, 0, 0, 0.0f, 0 },        { 12, 0, 1, 0.0f, 0 },         { 22, 7, -7, 7.0f, 0x4E764566 },
        { 22, 0, 0, 0.0f, 0x4E764566 }, { 24, 1, 10, 0.0f, 0 },      { 25, 0, 0, 0.0f, 0 },
        { 26, 3, 0, 0.0f, 1 },        { 27, 0, 0, 0.0f, 0 },         { 29, 0, 0, 0.0f, 0 },
        { 33, 0, 0, 0.0f, 0 },        { 34, 0, 0, 0.0f, 0 },         { 35, 0, 0, 0.0f, 0 },
        { 38, 0, 0, 0.0f, 0 },        { 39, 0, 0, 0.0f, 0 },         { 40, 0, 0, 0.0f, 0 },
        { 41, 0, 0, 0.0f, 0 },        { 44, 0, 1, 0.0f, 0 },         { 45, 0, 0, 0.0f, 0 },
        { 47, 0, 0, 0.0f, 0 },        { 48, 0, 0, 0.0f, 0 },         { 49, 0, 0, 0.0f, 0 },
        { 50, 1, 2, 3.0f, 0 },        { 51, 0, 0, 0.0f, 0 },         { 52, 0, 0, 0.0f, 0 },
        { 56, 0, 0, 0.0f, 0 },        { 58, 0, 0, 0.0f, 2400 },      { 62, 0, 0, 0.0f, 0 },
        { 63, 0, 0, 0.0f, -1 },       { 64, 0, 0, 0.0f, 0 },         { 65, 0, 0, 0.0f, 0 },
        { 66, 0, 0, 0.0f, 0 },        { 67, 0, 0, 0.0f, 0 },         { 68, 0, 0, 0.0f, 0 },
        { 70, 0, 0, 0.0f, 0 },        { 71, 0, 0, 0.0f, 0 },         { 72, 0, 0, 0.0f, 0 },
        { 73, 0, 0x100000005, 0.0f, 5 }, { 73, 0, -3, 0.0f, -3 },    { 74, 0, 1, 0.5f, 0 },
        { 75, 0, 0, 0.0f, 0 },        { 76, 0, 0, 0.0f, 0 },         { 77, 0, 1, 0.0f, 0 },
        { 78, 0, 0, 0.0f, 0 },        { 79, 0, 0, 0.0f, 0 },
    };
    for (const DefaultRow& row : rows)
    {
        SCOPED_TRACE("opcode " + std::to_string(row.opcode));
        MinimalEffect effect;
        alignas(16) char buffer[64];
        std::memset(buffer, 'x', sizeof(buffer));
        buffer[sizeof(buffer) - 1] = '\0';
        EXPECT_EQ(row.answer, effect.dispatcher(row.opcode, row.index, row.value, buffer, row.opt));
        EXPECT_EQ('x', buffer[0]) << "the default reads and writes nothing through the pointer";
    }
}

TEST(Dispatcher, TextDefaultsWriteOnlyTheTerminatingZero)
{
    for (int opcode : { 5, 6, 7, 8 })
    {
        SCOPED_TRACE(opcode);
        MinimalEffect effect;
        char text[8] = { 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h' };
        EXPECT_EQ(0, effect.dispatcher(opcode, 1, 0, text, 0.0f));
        EXPECT_EQ('\0', text[0]);
        EXPECT_EQ('b', text[1]);
        EXPECT_EQ('h', text[7]);
    }
}

TEST(Dispatcher, ChunkDefaultsLeaveThePlaceUntouched)
{
    MinimalEffect effect;
    int somewhere = 0;
    void* place = &somewhere;
    EXPECT_EQ(0, effect.dispatcher(23, 0, 0, &place, 0.0f));
    EXPECT_EQ(&somewhere, place);
}

TEST(Dispatcher, SpeakerArrangementDefaultStoresNullPointers)
{
    MinimalEffect effect;
    VstSpeakerArrangement dummy {};
    VstSpeakerArrangement* inputs = &dummy;
    VstSpeakerArrangement* outputs = &dummy;
    EXPECT_EQ(0, effect.dispatcher(69, 0, reinterpret_cast<long long>(&inputs), &outputs, 0.0f));
    EXPECT_EQ(nullptr, inputs);
    EXPECT_EQ(nullptr, outputs);

    inputs = &dummy;
    EXPECT_EQ(0, effect.dispatcher(69, 0, reinterpret_cast<long long>(&inputs), nullptr, 0.0f));
    EXPECT_EQ(&dummy, inputs) << "with one place missing, neither is written";
}

TEST(Dispatcher, DefaultsStoreWhatTheHostSets)
{
    MinimalEffect effect;
    effect.dispatcher(10, 0, 0, nullptr, 48000.0f);
    effect.dispatcher(11, 0, 0x100000100, nullptr, 0.0f);
    EXPECT_FLOAT_EQ(48000.0f, effect.getSampleRate());
    EXPECT_EQ(256, effect.getBlockSize());

    effect.dispatcher(2, 0, 23, nullptr, 0.0f);
    EXPECT_EQ(23, effect.dispatcher(3, 0, 0, nullptr, 0.0f));
    effect.dispatcher(2, 0, 24, nullptr, 0.0f);
    EXPECT_EQ(23, effect.dispatcher(3, 0, 0, nullptr, 0.0f));
    effect.dispatcher(2, 0, -1, nullptr, 0.0f);
    EXPECT_EQ(-1, effect.dispatcher(3, 0, 0, nullptr, 0.0f)) << "sign-extended to all ones";
}

TEST(Dispatcher, PlugCategoryFollowsTheSynthFlag)
{
    MinimalEffect effect;
    EXPECT_EQ(0, effect.dispatcher(35, 0, 0, nullptr, 0.0f));
    effect.isSynth(true);
    EXPECT_EQ(2, effect.dispatcher(35, 0, 0, nullptr, 0.0f));
    effect.isSynth(false);
    EXPECT_EQ(0, effect.dispatcher(35, 0, 0, nullptr, 0.0f));
}
} // namespace

#pragma once

#include <cstdint>

// Records that the effect base passes between host and derived effect without reading them.
// Their layouts belong to whoever fills them, so the base only declares them.

struct HostTimeInfo;
struct VstParameterProperties;
struct VstPinProperties;
struct VstPatchChunkInfo;
struct VstEvents;
struct VstVariableIo;
struct VstOfflineTask;
struct VstAudioFile;
struct VstFileSelect;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct __VstWindowDeprecated;

// Travels to the host as an unsigned 32-bit number.
enum VstOfflineOption : std::uint32_t
{
};

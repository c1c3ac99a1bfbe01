#pragma once

#include <cstddef>
#include <cstdint>

// One speaker of an arrangement, as shared with the host.
struct VstSpeakerProperties
{
    float values[4];
    char name[64];
    std::int32_t speakerCode;
    unsigned char reservedTail[28];
};

static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerProperties, values) == 0);
static_assert(offsetof(VstSpeakerProperties, name) == 16);
static_assert(offsetof(VstSpeakerProperties, speakerCode) == 80);
static_assert(offsetof(VstSpeakerProperties, reservedTail) == 84);

// A speaker arrangement as shared with the host: this 8-byte header, followed directly in
// memory by channelCount speaker records.
struct VstSpeakerArrangement
{
    std::int32_t layoutCode;
    std::int32_t channelCount;

    VstSpeakerProperties* speakers() { return reinterpret_cast<VstSpeakerProperties*>(this + 1); }
    const VstSpeakerProperties* speakers() const
    {
        return reinterpret_cast<const VstSpeakerProperties*>(this + 1);
    }
};

static_assert(sizeof(VstSpeakerArrangement) == 8);
static_assert(alignof(VstSpeakerArrangement) == alignof(VstSpeakerProperties));

// Bytes of an arrangement with channelCount speakers; 0 when that size is negative or does
// not fit a signed 32-bit number.
std::size_t speakerArrangementSize(int channelCount);

// Releases the record the holder holds, if any, and stores a new zero-filled one with
// channelCount speakers. When the count has no valid size or memory runs out the holder is
// left null and the answer is false.
bool allocateSpeakerArrangement(VstSpeakerArrangement** holder, int channelCount);

// Releases the record the holder holds, if any, and leaves the holder null.
void releaseSpeakerArrangement(VstSpeakerArrangement** holder);

// Copies one speaker; the target's name is always terminated, even when the source's is not.
// Answers false, changing nothing, when either pointer is null.
bool copySpeakerProperties(VstSpeakerProperties* target, const VstSpeakerProperties* source);

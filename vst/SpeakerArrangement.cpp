#include "SpeakerArrangement.h"

#include <cstdlib>
#include <cstring>
#include <limits>

std::size_t speakerArrangementSize(int channelCount)
{
    constexpr long long headerSize = sizeof(VstSpeakerArrangement);
    constexpr long long speakerSize = sizeof(VstSpeakerProperties);
    const long long size = headerSize + speakerSize * channelCount;
    if (channelCount < 0 || size > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::size_t>(size);
}

bool allocateSpeakerArrangement(VstSpeakerArrangement** holder, int channelCount)
{
    releaseSpeakerArrangement(holder);

    const std::size_t size = speakerArrangementSize(channelCount);
    if (size == 0)
        return false;

    auto* arrangement = static_cast<VstSpeakerArrangement*>(std::calloc(1, size));
    if (arrangement == nullptr)
        return false;

    arrangement->channelCount = channelCount;
    *holder = arrangement;
    return true;
}

void releaseSpeakerArrangement(VstSpeakerArrangement** holder)
{
    std::free(*holder);
    *holder = nullptr;
}

bool copySpeakerProperties(VstSpeakerProperties* target, const VstSpeakerProperties* source)
{
    if (target == nullptr || source == nullptr)
        return false;

    // Byte by byte rather than strncpy: it reads no further than the 63 bytes that fit, and
    // stays correct when target and source are the same speaker.
    constexpr std::size_t maxNameLength = sizeof(target->name) - 1;
    std::size_t length = 0;
    for (; length < maxNameLength && source->name[length] != '\0'; ++length)
        target->name[length] = source->name[length];
    for (; length <= maxNameLength; ++length)
        target->name[length] = '\0';

    target->speakerCode = source->speakerCode;
    std::memmove(target->values, source->values, sizeof(target->values));
    std::memmove(target->reservedTail, source->reservedTail, sizeof(target->reservedTail));
    return true;
}

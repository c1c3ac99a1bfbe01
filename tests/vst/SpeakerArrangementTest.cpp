#include "TestEffects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
// Owns an arrangement holder for the length of a test.
struct Holder
{
    explicit Holder(AudioEffectX& owner) : effect(owner) {}
    ~Holder() { effect.deallocateArrangement(&arrangement); }

    AudioEffectX& effect;
    VstSpeakerArrangement* arrangement = nullptr;
};

bool onlyChannelCountIsSet(const VstSpeakerArrangement* arrangement, std::size_t size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(arrangement);
    for (std::size_t i = 0; i < size; ++i)
        if ((i < 4 || i >= 8) && bytes[i] != 0)
            return false;
    return true;
}

void fillSpeaker(VstSpeakerProperties& speaker, int seed, const char* name)
{
    for (int i = 0; i < 4; ++i)
        speaker.values[i] = static_cast<float>(seed) + 0.25f * static_cast<float>(i);
    std::memset(speaker.name, 0, sizeof(speaker.name));
    std::strncpy(speaker.name, name, sizeof(speaker.name) - 1);
    speaker.speakerCode = seed * 3;
    for (std::size_t i = 0; i < sizeof(speaker.reservedTail); ++i)
        speaker.reservedTail[i] = static_cast<unsigned char>(seed + static_cast<int>(i));
}

TEST(SpeakerArrangement, AllocateMakesAZeroFilledRecordOfTheRightSize)
{
    EXPECT_EQ(232u, speakerArrangementSize(2));
    EXPECT_EQ(8u, speakerArrangementSize(0));

    MinimalEffect effect;
    Holder holder(effect);
    ASSERT_TRUE(effect.allocateArrangement(&holder.arrangement, 2));
    ASSERT_NE(nullptr, holder.arrangement);
    EXPECT_EQ(2, holder.arrangement->channelCount);
    EXPECT_TRUE(onlyChannelCountIsSet(holder.arrangement, 232));

    // A second allocation releases the first record (AddressSanitizer builds report a leak
    // otherwise).
    holder.arrangement->layoutCode = 5;
    ASSERT_TRUE(effect.allocateArrangement(&holder.arrangement, 0));
    EXPECT_EQ(0, holder.arrangement->channelCount);
    EXPECT_EQ(0, holder.arrangement->layoutCode);
}

TEST(SpeakerArrangement, CountsWithoutAValidSizeLeaveTheHolderEmpty)
{
    EXPECT_EQ(0u, speakerArrangementSize(-1));
    EXPECT_EQ(8u + 112u * 19173961u, speakerArrangementSize(19173961)); // the largest that fits
    EXPECT_EQ(0u, speakerArrangementSize(19173962));

    MinimalEffect effect;
    Holder holder(effect);
    for (int count : { -1, -1000, 0x7FFFFFFF })
    {
        ASSERT_TRUE(effect.allocateArrangement(&holder.arrangement, 1));
        EXPECT_FALSE(effect.allocateArrangement(&holder.arrangement, count)) << count;
        EXPECT_EQ(nullptr, holder.arrangement) << "the released record must not stay in the holder";
    }
}

TEST(SpeakerArrangement, DeallocateEmptiesTheHolder)
{
    MinimalEffect effect;
    VstSpeakerArrangement* arrangement = nullptr;
    EXPECT_TRUE(effect.deallocateArrangement(&arrangement));
    EXPECT_EQ(nullptr, arrangement);

    ASSERT_TRUE(effect.allocateArrangement(&arrangement, 3));
    EXPECT_TRUE(effect.deallocateArrangement(&arrangement));
    EXPECT_EQ(nullptr, arrangement);
}

TEST(SpeakerArrangement, CopySpeakerCopiesEveryFieldAndTerminatesTheName)
{
    MinimalEffect effect;
    VstSpeakerProperties source;
    fillSpeaker(source, 7, "Left");
    std::memcpy(source.name + 5, "garbage", 7); // after the terminator: not copied
    VstSpeakerProperties target;
    std::memset(&target, 0xAB, sizeof(target));

    ASSERT_TRUE(effect.copySpeaker(&target, &source));
    EXPECT_STREQ("Left", target.name);
    for (std::size_t i = 4; i < sizeof(target.name); ++i)
        EXPECT_EQ('\0', target.name[i]) << i;
    EXPECT_EQ(0, std::memcmp(source.values, target.values, sizeof(source.values)));
    EXPECT_EQ(21, target.speakerCode);
    EXPECT_EQ(0, std::memcmp(source.reservedTail, target.reservedTail, sizeof(source.reservedTail)));

    const std::string seventy(70, 'n');
    std::memset(source.name, 'n', sizeof(source.name)); // unterminated: 64 characters, no NUL
    ASSERT_TRUE(effect.copySpeaker(&target, &source));
    EXPECT_EQ(seventy.substr(0, 63), std::string(target.name));
}

TEST(SpeakerArrangement, CopySpeakerOntoItselfKeepsTheSpeaker)
{
    MinimalEffect effect;
    VstSpeakerProperties speaker;
    fillSpeaker(speaker, 2, "Centre");
    ASSERT_TRUE(effect.copySpeaker(&speaker, &speaker));
    EXPECT_STREQ("Centre", speaker.name);
    EXPECT_EQ(6, speaker.speakerCode);
}

TEST(SpeakerArrangement, CopySpeakerRefusesNullPointers)
{
    MinimalEffect effect;
    VstSpeakerProperties speaker;
    fillSpeaker(speaker, 1, "L");
    VstSpeakerProperties before = speaker;
    EXPECT_FALSE(effect.copySpeaker(nullptr, &speaker));
    EXPECT_FALSE(effect.copySpeaker(&speaker, nullptr));
    EXPECT_EQ(0, std::memcmp(&before, &speaker, sizeof(speaker)));
}

TEST(SpeakerArrangement, MatchMakesAnIdenticalCopy)
{
    MinimalEffect effect;
    Holder source(effect);
    ASSERT_TRUE(effect.allocateArrangement(&source.arrangement, 6));
    source.arrangement->layoutCode = 14;
    const char* names[] = { "L", "R", "C", "Lfe", "Ls", "Rs" };
    for (int i = 0; i < 6; ++i)
        fillSpeaker(source.arrangement->speakers()[i], i + 1, names[i]);

    Holder target(effect);
    ASSERT_TRUE(effect.allocateArrangement(&target.arrangement, 1));
    ASSERT_TRUE(effect.matchArrangement(&target.arrangement, source.arrangement));
    EXPECT_EQ(14, target.arrangement->layoutCode);
    EXPECT_EQ(6, target.arrangement->channelCount);
    EXPECT_EQ(0, std::memcmp(source.arrangement, target.arrangement, speakerArrangementSize(6)));
}

TEST(SpeakerArrangement, MatchWithNullSourceLeavesTheTargetAlone)
{
    MinimalEffect effect;
    Holder target(effect);
    ASSERT_TRUE(effect.allocateArrangement(&target.arrangement, 2));
    VstSpeakerArrangement* const before = target.arrangement;
    EXPECT_FALSE(effect.matchArrangement(&target.arrangement, nullptr));
    EXPECT_EQ(before, target.arrangement);
    EXPECT_EQ(2, target.arrangement->channelCount);
}

TEST(SpeakerArrangement, MatchWithItselfKeepsTheArrangement)
{
    MinimalEffect effect;
    Holder holder(effect);
    ASSERT_TRUE(effect.allocateArrangement(&holder.arrangement, 2));
    holder.arrangement->layoutCode = 1;
    fillSpeaker(holder.arrangement->speakers()[1], 4, "R");
    EXPECT_TRUE(effect.matchArrangement(&holder.arrangement, holder.arrangement));
    EXPECT_EQ(1, holder.arrangement->layoutCode);
    EXPECT_EQ(2, holder.arrangement->channelCount);
    EXPECT_STREQ("R", holder.arrangement->speakers()[1].name);
}

TEST(SpeakerArrangement, MatchWithoutChannelsCopiesOnlyTheLayout)
{
    MinimalEffect effect;
    VstSpeakerArrangement source { 9, -4 }; // a header alone; no speaker is read
    Holder target(effect);
    EXPECT_FALSE(effect.matchArrangement(&target.arrangement, &source)) << "-4 channels have no record";
    EXPECT_EQ(nullptr, target.arrangement);

    source.channelCount = 0;
    ASSERT_TRUE(effect.matchArrangement(&target.arrangement, &source));
    EXPECT_EQ(9, target.arrangement->layoutCode);
    EXPECT_EQ(0, target.arrangement->channelCount);
}

// Each helper reaches the others through their virtual slots.
class FailingCopyEffect : public MinimalEffect
{
public:
    bool copySpeaker(VstSpeakerProperties* target, VstSpeakerProperties* source) override
    {
        ++copies;
        return copies < 3 && MinimalEffect::copySpeaker(target, source);
    }
    int copies = 0;
};

TEST(SpeakerArrangement, MatchStopsAtTheFirstFailedCopy)
{
    FailingCopyEffect effect;
    Holder source(effect);
    ASSERT_TRUE(effect.allocateArrangement(&source.arrangement, 4));
    for (int i = 0; i < 4; ++i)
        fillSpeaker(source.arrangement->speakers()[i], i + 1, "S");

    Holder target(effect);
    EXPECT_FALSE(effect.matchArrangement(&target.arrangement, source.arrangement));
    EXPECT_EQ(3, effect.copies);
    ASSERT_NE(nullptr, target.arrangement);
    EXPECT_EQ(4, target.arrangement->channelCount);
    EXPECT_EQ(2, target.arrangement->speakers()[1].values[0]);
    EXPECT_EQ(0, target.arrangement->speakers()[2].values[0]);
}
} // namespace

#include "HalvornArtwork.h"

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
    struct EmbeddedPng
    {
        const char* fileName;
        const unsigned char* data;
        int size;
        int width;
        int height;
    };

    const EmbeddedPng background { "bmp00128.png", resource_resources_bmp00128_png, resource_resources_bmp00128_png_size, 430, 110 };
    const EmbeddedPng knobStrip { "bmp00129.png", resource_resources_bmp00129_png, resource_resources_bmp00129_png_size, 78, 1659 };
    const EmbeddedPng leftKey { "bmp00130.png", resource_resources_bmp00130_png, resource_resources_bmp00130_png_size, 19, 34 };
    const EmbeddedPng rightKey { "bmp00131.png", resource_resources_bmp00131_png, resource_resources_bmp00131_png_size, 19, 34 };
    const EmbeddedPng thumb { "bmp00132.png", resource_resources_bmp00132_png, resource_resources_bmp00132_png_size, 23, 23 };

    juce::uint32 bigEndian32 (const unsigned char* bytes)
    {
        return (juce::uint32 (bytes[0]) << 24) | (juce::uint32 (bytes[1]) << 16) | (juce::uint32 (bytes[2]) << 8) | bytes[3];
    }

    struct Chunk
    {
        std::string type;
        const unsigned char* data;
        juce::uint32 length;
    };

    // The chunks in file order; stops at the first chunk that would run past the end.
    std::vector<Chunk> readChunks (const EmbeddedPng& png, size_t& bytesCovered)
    {
        std::vector<Chunk> chunks;
        size_t offset = 8;
        while (offset + 12 <= static_cast<size_t> (png.size))
        {
            const auto length = bigEndian32 (png.data + offset);
            if (offset + 12 + length > static_cast<size_t> (png.size))
                break;
            chunks.push_back ({ std::string (reinterpret_cast<const char*> (png.data + offset + 4), 4), png.data + offset + 8, length });
            offset += 12 + length;
        }
        bytesCovered = offset;
        return chunks;
    }

    juce::Image decode (const EmbeddedPng& png)
    {
        return juce::ImageFileFormat::loadFrom (png.data, static_cast<size_t> (png.size));
    }

    void PrintTo (const EmbeddedPng& png, std::ostream* out)
    {
        *out << png.fileName;
    }

    class EachImage : public testing::TestWithParam<EmbeddedPng> {};

    TEST_P (EachImage, ArrayHoldsTheCommittedFileByteForByte)
    {
        const auto png = GetParam();
        juce::MemoryBlock file;
        ASSERT_TRUE (juce::File (HALVORN_ARTWORK_FOLDER).getChildFile (png.fileName).loadFileAsData (file));

        ASSERT_EQ (static_cast<size_t> (png.size), file.getSize());
        EXPECT_EQ (0, std::memcmp (png.data, file.getData(), file.getSize()));
    }

    TEST_P (EachImage, IsAnRgbPngWithExactlyTheExpectedChunks)
    {
        const auto png = GetParam();
        const unsigned char signature[] { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
        ASSERT_GE (png.size, 8);
        ASSERT_EQ (0, std::memcmp (png.data, signature, sizeof (signature)));

        size_t bytesCovered = 0;
        const auto chunks = readChunks (png, bytesCovered);
        EXPECT_EQ (static_cast<size_t> (png.size), bytesCovered) << "bytes after IEND or a truncated chunk";

        // Consecutive IDAT chunks count as one entry.
        std::vector<std::string> sequence;
        for (const auto& chunk : chunks)
            if (sequence.empty() || chunk.type != "IDAT" || sequence.back() != "IDAT")
                sequence.push_back (chunk.type);
        EXPECT_EQ ((std::vector<std::string> { "IHDR", "pHYs", "tIME", "IDAT", "IEND" }), sequence);

        ASSERT_FALSE (chunks.empty());
        const auto& header = chunks.front();
        ASSERT_EQ (13u, header.length);
        EXPECT_EQ (static_cast<juce::uint32> (png.width), bigEndian32 (header.data));
        EXPECT_EQ (static_cast<juce::uint32> (png.height), bigEndian32 (header.data + 4));
        EXPECT_EQ (8, header.data[8]) << "bit depth";
        EXPECT_EQ (2, header.data[9]) << "colour type: RGB without alpha";
        EXPECT_EQ (0, header.data[12]) << "interlace method";
    }

    TEST_P (EachImage, DecodesToItsSize)
    {
        const auto png = GetParam();
        const auto image = decode (png);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (png.width, image.getWidth());
        EXPECT_EQ (png.height, image.getHeight());
    }

    INSTANTIATE_TEST_SUITE_P (Artwork, EachImage, testing::Values (background, knobStrip, leftKey, rightKey, thumb),
                              [] (const testing::TestParamInfo<EmbeddedPng>& image) { return std::string (image.param.fileName).substr (0, 8); });

    TEST (ArtworkFrames, StripsDivideIntoWholeFrames)
    {
        EXPECT_EQ (0, decode (knobStrip).getHeight() % 21);
        EXPECT_EQ (0, decode (leftKey).getHeight() % 2);
        EXPECT_EQ (0, decode (rightKey).getHeight() % 2);
    }

    TEST (ArtworkFrames, BackgroundShowsTheReleasedKeysWherePainted)
    {
        const auto panel = decode (background);

        for (const auto& [key, origin] : { std::pair { decode (leftKey), juce::Point<int> (90, 80) },
                                           std::pair { decode (rightKey), juce::Point<int> (111, 80) } })
        {
            for (int y = 0; y < key.getHeight() / 2; ++y)
                for (int x = 0; x < key.getWidth(); ++x)
                    ASSERT_EQ (key.getPixelAt (x, y), panel.getPixelAt (origin.x + x, origin.y + y))
                        << "key pixel (" << x << ", " << y << ") at " << origin.toString();
        }
    }

    // The editor lays its level bar, labels and slider over these places.
    TEST (ArtworkFrames, BackgroundHasTheFixedElementsInPlace)
    {
        const auto panel = decode (background);
        const auto isDark = [&panel] (int x, int y) { return panel.getPixelAt (x, y).getPerceivedBrightness() < 0.3f; };

        for (int y = 36; y < 36 + 23; ++y)
            for (int x = 316; x < 316 + 6; ++x)
                ASSERT_EQ (juce::Colour (0xff84aa00), panel.getPixelAt (x, y)) << "the level bar's unlit green at " << x << ", " << y;

        for (const auto& corner : { juce::Point<int> (139, 32), juce::Point<int> (327, 32), juce::Point<int> (139, 72), juce::Point<int> (327, 72) })
        {
            EXPECT_TRUE (isDark (corner.x, corner.y)) << "glass rim corner " << corner.toString();
            EXPECT_FALSE (isDark (corner.x + (corner.x < 200 ? -1 : 1), corner.y)) << "bezel beside " << corner.toString();
        }

        for (int y = 23; y <= 90; ++y)
            for (int x = 392; x <= 394; ++x)
                ASSERT_TRUE (isDark (x, y)) << "slider slot at " << x << ", " << y;

        for (const auto row : { 25, 35, 47, 56, 66, 77, 87 })
        {
            EXPECT_TRUE (isDark (406, row)) << "scale mark on row " << row;
            EXPECT_FALSE (isDark (406, row - 1)) << "above the scale mark on row " << row;
        }
    }

    TEST (ArtworkFrames, EveryKnobFrameIsDifferent)
    {
        const auto strip = decode (knobStrip);
        const auto frameHeight = strip.getHeight() / 21;

        std::vector<juce::MemoryBlock> frames;
        for (int frame = 0; frame < 21; ++frame)
        {
            juce::MemoryOutputStream pixels;
            for (int y = 0; y < frameHeight; ++y)
                for (int x = 0; x < strip.getWidth(); ++x)
                    pixels.writeInt (static_cast<int> (strip.getPixelAt (x, frame * frameHeight + y).getARGB()));
            frames.push_back (pixels.getMemoryBlock());
        }

        for (size_t a = 0; a < frames.size(); ++a)
            for (size_t b = a + 1; b < frames.size(); ++b)
                EXPECT_NE (frames[a], frames[b]) << "frames " << a << " and " << b;
    }
}

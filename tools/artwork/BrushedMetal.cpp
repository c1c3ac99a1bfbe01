#include "BrushedMetal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
    // A small generator whose sequence is the same on every platform and library.
    class Grain
    {
    public:
        float next()
        {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            return static_cast<float> (state >> 40) / static_cast<float> (1 << 23) - 1.0f;
        }

    private:
        std::uint64_t state = 0x9e3779b97f4a7c15ull;
    };

    // Random values along a row, smoothed with a moving average: long streaks for a wide window,
    // short ones for a narrow window.
    std::vector<float> streaks (Grain& grain, int length, int window)
    {
        std::vector<float> raw (static_cast<size_t> (length + window));
        for (auto& value : raw)
            value = grain.next();

        std::vector<float> smooth (static_cast<size_t> (length));
        float sum = 0.0f;
        for (int i = 0; i < window; ++i)
            sum += raw[static_cast<size_t> (i)];

        for (int x = 0; x < length; ++x)
        {
            smooth[static_cast<size_t> (x)] = sum / static_cast<float> (window);
            sum += raw[static_cast<size_t> (x + window)] - raw[static_cast<size_t> (x)];
        }
        return smooth;
    }

    float bevel (int x, int y, int width, int height)
    {
        if (y == 0 || x == 0)
            return 38.0f;
        if (y == height - 1 || x == width - 1)
            return -62.0f;
        if (y == 1 || x == 1)
            return 14.0f;
        if (y == height - 2 || x == width - 2)
            return -22.0f;
        return 0.0f;
    }
}

juce::Image BrushedMetal::render (int width, int height)
{
    juce::Image panel (juce::Image::RGB, width, height, false);
    Grain grain;

    for (int y = 0; y < height; ++y)
    {
        const auto rowTone = grain.next() * 2.5f;
        const auto longStreaks = streaks (grain, width, 61);
        const auto shortStreaks = streaks (grain, width, 9);
        const auto light = 9.0f - 16.0f * static_cast<float> (y) / static_cast<float> (height - 1);

        for (int x = 0; x < width; ++x)
        {
            // A broad diagonal sheen, as if the light came from the upper left.
            const auto sheen = 5.0f * std::cos ((static_cast<float> (x) * 0.9f + static_cast<float> (y) * 2.0f) * 0.011f);
            const auto value = 174.0f + light + sheen + rowTone
                               + 38.0f * longStreaks[static_cast<size_t> (x)]
                               + 16.0f * shortStreaks[static_cast<size_t> (x)]
                               + 2.0f * grain.next()
                               + bevel (x, y, width, height);

            const auto grey = juce::jlimit (0.0f, 251.0f, value);
            panel.setPixelAt (x, y, juce::Colour::fromRGB (static_cast<juce::uint8> (grey),
                                                           static_cast<juce::uint8> (grey + 1.0f),
                                                           static_cast<juce::uint8> (grey + 4.0f)));
        }
    }
    return panel;
}

#pragma once

#include "ParameterMapping.h"

#include <juce_core/juce_core.h>

#include <array>
#include <optional>

// The saved state that hosts keep in their projects: a little-endian magic "VC2!", the length of the
// XML text, one line of XML without header, and a terminating zero byte. The XML holds the current
// program number and the five parameter values, each printed so that it reads back bit for bit.
namespace StateBlob
{
constexpr juce::uint32 magic = 0x21324356;
constexpr const char* rootTag = "MYTEVRALPLUGINSETTINGS";

// What a blob carries; an attribute the blob lacks is empty, and the reader keeps its own value.
struct Contents
{
    std::optional<double> program;
    std::array<std::optional<double>, numParameters> values;
};

// Replaces the whole block with the blob for this state.
void write (juce::MemoryBlock& block, int program, const std::array<float, numParameters>& values);

// Empty when the blob is refused: too short, wrong magic, a length field of 0 or with its top bit
// set, text that is not one complete, well-formed XML document (see XmlRootReader), or another root
// tag. Attribute values are read as numbers by readLeadingNumber.
std::optional<Contents> read (const void* data, int size);

// The attribute text of a parameter value: C-locale %.20g of the value widened to double.
juce::String valueText (float value);

// A blob's program number as a 32-bit int, truncated toward zero. Not-a-number and numbers outside
// the int range give the lowest int, which names no program.
int toProgramNumber (double number) noexcept;

// The float nearest to a number; numbers beyond the float range give infinities.
float toNearestFloat (double number) noexcept;
} // namespace StateBlob

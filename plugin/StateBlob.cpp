#include "StateBlob.h"

#include "LeadingNumber.h"
#include "XmlRootReader.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace StateBlob
{
namespace
{
constexpr int headerSize = 8;
constexpr int minimumSize = headerSize + 1;
constexpr const char* programAttribute = "curProgram";
constexpr int valuePrecision = 20;

juce::uint32 readLittleEndian32 (const juce::uint8* bytes) noexcept
{
    return static_cast<juce::uint32> (bytes[0]) | (static_cast<juce::uint32> (bytes[1]) << 8)
         | (static_cast<juce::uint32> (bytes[2]) << 16) | (static_cast<juce::uint32> (bytes[3]) << 24);
}

bool isAsciiLetter (char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char asciiLower (char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char> (c - 'A' + 'a') : c;
}

// Case-insensitive for ASCII letters only, as the C library compares: other bytes must match exactly.
bool equalsIgnoringAsciiCase (const char* a, const char* b) noexcept
{
    for (; *a != 0 && *b != 0; ++a, ++b)
        if (*a != *b && ! (isAsciiLetter (*a) && asciiLower (*a) == asciiLower (*b)))
            return false;

    return *a == *b;
}

// The attribute name of a parameter's value, its index as one decimal digit; -1 for any other name.
int parameterIndexNamed (const std::string& name) noexcept
{
    if (name.size() != 1 || name[0] < '0' || name[0] >= '0' + numParameters)
        return -1;
    return name[0] - '0';
}
} // namespace

juce::String valueText (float value)
{
    char text[64];
    const auto result = std::to_chars (std::begin (text), std::end (text), static_cast<double> (value),
                                       std::chars_format::general, valuePrecision);
    return juce::String (text, static_cast<size_t> (result.ptr - text));
}

void write (juce::MemoryBlock& block, int program, const std::array<float, numParameters>& values)
{
    juce::String xml;
    xml << "<" << rootTag << " " << programAttribute << "=\"" << program << "\"";

    for (int index = 0; index < numParameters; ++index)
        xml << " " << index << "=\"" << valueText (values[static_cast<size_t> (index)]) << "\"";

    xml << "/>";

    const auto textLength = xml.getNumBytesAsUTF8();
    juce::MemoryOutputStream stream (block, false);
    stream.writeInt (static_cast<int> (magic));
    stream.writeInt (static_cast<int> (textLength));
    stream.write (xml.toRawUTF8(), textLength);
    stream.writeByte (0);
    stream.flush();
    block.setSize (stream.getDataSize());
}

std::optional<Contents> read (const void* data, int size)
{
    if (data == nullptr || size < minimumSize)
        return std::nullopt;

    const auto* bytes = static_cast<const juce::uint8*> (data);

    if (readLittleEndian32 (bytes) != magic)
        return std::nullopt;

    const auto declaredLength = static_cast<juce::int32> (readLittleEndian32 (bytes + 4));
    if (declaredLength <= 0)
        return std::nullopt;

    // The length field is believed only as far as the data reaches, and the text ends at a zero byte.
    // Looking further than one byte past the longest text the reader takes would be wasted.
    const auto available = juce::jmin (declaredLength, size - headerSize, static_cast<int> (XmlRootReader::maxTextLength) + 1);
    const auto* text = reinterpret_cast<const char*> (bytes + headerSize);
    int textLength = 0;
    while (textLength < available && text[textLength] != 0)
        ++textLength;

    const auto element = XmlRootReader::read (std::string_view (text, static_cast<size_t> (textLength)));
    if (! element || ! equalsIgnoringAsciiCase (element->tagName.c_str(), rootTag))
        return std::nullopt;

    // Duplicate names are refused by the reader, so the one attribute of a name is its first.
    Contents contents;
    for (const auto& [name, value] : element->attributes)
    {
        if (name == programAttribute)
            contents.program = readLeadingNumber (value);
        else if (const auto index = parameterIndexNamed (name); index >= 0)
            contents.values[static_cast<size_t> (index)] = readLeadingNumber (value);
    }

    return contents;
}

int toProgramNumber (double number) noexcept
{
    constexpr auto lowest = std::numeric_limits<int>::min();
    const auto truncated = std::trunc (number);

    if (! (truncated >= static_cast<double> (lowest) && truncated <= static_cast<double> (std::numeric_limits<int>::max())))
        return lowest;

    return static_cast<int> (truncated);
}

float toNearestFloat (double number) noexcept
{
    constexpr auto largest = static_cast<double> (std::numeric_limits<float>::max());

    if (std::abs (number) > largest)
        return number > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();

    return static_cast<float> (number);
}
} // namespace StateBlob

#include "StateBlob.h"

#include <algorithm>
#include <charconv>
#include <cstring>
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

bool isAsciiDigit (char c) noexcept { return c >= '0' && c <= '9'; }
bool isAsciiHexDigit (char c) noexcept { return isAsciiDigit (c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Every ampersand must begin a complete entity reference: "&name;", "&#digits;" or "&#xhexdigits;".
// Anything else is malformed XML anyway, and JUCE's reader, given a "&#x" that the text ends in,
// steps past the end of the text.
bool hasOnlyCompleteEntities (const char* text, int length) noexcept
{
    for (int i = 0; i < length; ++i)
    {
        if (text[i] != '&')
            continue;

        int j = i + 1;
        const bool numeric = j < length && text[j] == '#';
        const bool hex = numeric && j + 1 < length && (text[j + 1] == 'x' || text[j + 1] == 'X');
        j += hex ? 2 : (numeric ? 1 : 0);

        const auto belongsToReference = [hex, numeric] (char c) {
            if (hex)
                return isAsciiHexDigit (c);
            return isAsciiDigit (c) || (! numeric && isAsciiLetter (c));
        };

        const int firstCharacter = j;
        while (j < length && belongsToReference (text[j]))
            ++j;

        if (j == firstCharacter || j >= length || text[j] != ';')
            return false;

        i = j;
    }

    return true;
}

bool startsWith (const char* text, int length, int at, const char* prefix) noexcept
{
    for (int i = 0; prefix[i] != 0; ++i)
        if (at + i >= length || text[at + i] != prefix[i])
            return false;
    return true;
}

// Processing instructions and comments may stand before the root element, but not inside it: JUCE's
// reader, meeting one followed by text inside an element, loops for ever.
bool hasNoInstructionsOrCommentsInContent (const char* text, int length) noexcept
{
    int i = 0;

    for (;;)
    {
        while (i < length && juce::CharacterFunctions::isWhitespace (text[i]))
            ++i;

        const char* end = startsWith (text, length, i, "<?") ? "?>" : startsWith (text, length, i, "<!") ? ">" : nullptr;
        if (end == nullptr)
            break;

        const auto* found = std::search (text + i, text + length, end, end + std::strlen (end));
        if (found == text + length)
            return true; // the reader reports the unclosed prolog itself
        i = static_cast<int> (found - text) + static_cast<int> (std::strlen (end));
    }

    for (; i < length; ++i)
        if (startsWith (text, length, i, "<?") || startsWith (text, length, i, "<!--"))
            return false;

    return true;
}

std::optional<double> readNumberAttribute (const juce::XmlElement& element, const juce::String& name)
{
    for (int i = 0; i < element.getNumAttributes(); ++i)
        if (element.getAttributeName (i) == name)
        {
            auto text = element.getAttributeValue (i).getCharPointer();
            return juce::CharacterFunctions::readDoubleValue (text);
        }

    return std::nullopt;
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
    const auto available = juce::jmin (declaredLength, size - headerSize);
    const auto* text = reinterpret_cast<const char*> (bytes + headerSize);
    int textLength = 0;
    while (textLength < available && text[textLength] != 0)
        ++textLength;

    // Text that JUCE's XML reader would read past the end of, or never finish, is refused before it
    // sees it: invalid UTF-8, an incomplete entity reference, an instruction or comment in content.
    if (! juce::CharPointer_UTF8::isValidString (text, textLength) || ! hasOnlyCompleteEntities (text, textLength)
        || ! hasNoInstructionsOrCommentsInContent (text, textLength))
        return std::nullopt;

    const auto element = juce::XmlDocument::parse (juce::String::fromUTF8 (text, textLength));
    if (element == nullptr || ! equalsIgnoringAsciiCase (element->getTagName().toRawUTF8(), rootTag))
        return std::nullopt;

    Contents contents;
    contents.program = readNumberAttribute (*element, programAttribute);
    for (int index = 0; index < numParameters; ++index)
        contents.values[static_cast<size_t> (index)] = readNumberAttribute (*element, juce::String (index));

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

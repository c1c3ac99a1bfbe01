#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The root element of an XML document: its tag name, and its attributes in document order with each
// value's references replaced by the characters they stand for.
struct XmlRootElement
{
    std::string tagName;
    std::vector<std::pair<std::string, std::string>> attributes;
};

// Reads text that comes from outside, such as saved state in a shared project file, where it may be
// damaged or hostile. The text must be one complete, well-formed UTF-8 document: an optional XML
// declaration, then comments, processing instructions and a document type around one root element,
// which may hold text, CDATA sections, comments, instructions and child elements. Anything else is
// refused with an empty result, and so is any reference other than the five predefined entities and
// numeric character references: entities that a document type declares are never expanded.
// Names may also begin with a digit, since saved states use "0" to "4" as attribute names.
// The reader makes one pass without recursion, so its time and memory grow linearly with the text;
// the limits below bound them whatever the text holds.
namespace XmlRootReader
{
constexpr std::size_t maxTextLength = 1 << 20;
constexpr std::size_t maxNestingDepth = 256;
constexpr std::size_t maxAttributes = 4096;

std::optional<XmlRootElement> read (std::string_view utf8Text);
} // namespace XmlRootReader

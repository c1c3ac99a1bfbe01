#include "XmlRootReader.h"

#include <algorithm>

namespace XmlRootReader
{
namespace
{
constexpr char32_t invalidCharacter = 0xffffffff;
constexpr char32_t largestCharacter = 0x10ffff;

struct DecodedCharacter
{
    char32_t value;
    std::size_t length;
};

// One UTF-8 sequence; overlong forms, surrogates and values beyond U+10FFFF are invalid.
DecodedCharacter decodeUtf8 (std::string_view text, std::size_t position) noexcept
{
    const auto lead = static_cast<unsigned char> (text[position]);
    if (lead < 0x80)
        return { lead, 1 };

    const std::size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 0;
    if (length == 0 || lead > 0xf4 || position + length > text.size())
        return { invalidCharacter, 1 };

    char32_t value = lead & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i)
    {
        const auto continuation = static_cast<unsigned char> (text[position + i]);
        if ((continuation & 0xc0) != 0x80)
            return { invalidCharacter, 1 };
        value = (value << 6) | (continuation & 0x3f);
    }

    constexpr char32_t smallestOfLength[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (value < smallestOfLength[length] || value > largestCharacter || (value >= 0xd800 && value <= 0xdfff))
        return { invalidCharacter, 1 };

    return { value, length };
}

bool isXmlCharacter (char32_t c) noexcept
{
    return c == 0x9 || c == 0xa || c == 0xd || (c >= 0x20 && c <= 0xd7ff) || (c >= 0xe000 && c <= 0xfffd)
        || (c >= 0x10000 && c <= largestCharacter);
}

bool isValidXmlText (std::string_view text) noexcept
{
    for (std::size_t position = 0; position < text.size();)
    {
        const auto character = decodeUtf8 (text, position);
        if (! isXmlCharacter (character.value))
            return false;
        position += character.length;
    }
    return true;
}

bool isNameCharacter (char32_t c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' || c == '_' || c == '-'
        || c == '.' || c == 0xb7 || (c >= 0xc0 && c <= 0xd6) || (c >= 0xd8 && c <= 0xf6) || (c >= 0xf8 && c <= 0x37d)
        || (c >= 0x37f && c <= 0x1fff) || c == 0x200c || c == 0x200d || c == 0x203f || c == 0x2040
        || (c >= 0x2070 && c <= 0x218f) || (c >= 0x2c00 && c <= 0x2fef) || (c >= 0x3001 && c <= 0xd7ff)
        || (c >= 0xf900 && c <= 0xfdcf) || (c >= 0xfdf0 && c <= 0xfffd) || (c >= 0x10000 && c <= 0xeffff);
}

// What XML allows first in a name, and the digits as well.
bool isNameStartCharacter (char32_t c) noexcept
{
    return isNameCharacter (c) && c != '-' && c != '.' && c != 0xb7 && ! (c >= 0x300 && c <= 0x36f) && c != 0x203f && c != 0x2040;
}

bool isSpace (char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void appendUtf8 (std::string& text, char32_t c)
{
    const auto byte = [] (char32_t bits) { return static_cast<char> (static_cast<unsigned char> (bits)); };

    if (c < 0x80)
        text += byte (c);
    else if (c < 0x800)
        text += { byte (0xc0 | (c >> 6)), byte (0x80 | (c & 0x3f)) };
    else if (c < 0x10000)
        text += { byte (0xe0 | (c >> 12)), byte (0x80 | ((c >> 6) & 0x3f)), byte (0x80 | (c & 0x3f)) };
    else
        text += { byte (0xf0 | (c >> 18)), byte (0x80 | ((c >> 12) & 0x3f)), byte (0x80 | ((c >> 6) & 0x3f)),
                  byte (0x80 | (c & 0x3f)) };
}

// Reads one document from its first byte to its last. Every read operation either consumes what it
// expects and answers true, or answers false, upon which the whole document is refused.
class DocumentReader
{
public:
    explicit DocumentReader (std::string_view documentText) : text (documentText) {}

    std::optional<XmlRootElement> readDocument()
    {
        if (readProlog() && readElements() && readEpilogue())
            return std::move (root);
        return std::nullopt;
    }

private:
    bool atEnd() const noexcept { return position >= text.size(); }
    char next() const noexcept { return text[position]; }

    bool lookingAt (std::string_view literal) const noexcept { return text.substr (position, literal.size()) == literal; }

    bool consume (std::string_view literal) noexcept
    {
        if (! lookingAt (literal))
            return false;
        position += literal.size();
        return true;
    }

    bool skipSpace() noexcept
    {
        const auto start = position;
        while (! atEnd() && isSpace (next()))
            ++position;
        return position > start;
    }

    bool skipPast (std::string_view terminator) noexcept
    {
        const auto found = text.find (terminator, position);
        if (found == std::string_view::npos)
            return false;
        position = found + terminator.size();
        return true;
    }

    std::string_view readName() noexcept
    {
        const auto start = position;
        while (! atEnd())
        {
            const auto character = decodeUtf8 (text, position);
            if (! (position == start ? isNameStartCharacter (character.value) : isNameCharacter (character.value)))
                break;
            position += character.length;
        }
        return text.substr (start, position - start);
    }

    // After "<?xml": version first, then optionally the encoding and the standalone flag.
    bool readDeclaration()
    {
        constexpr std::string_view order[] = { "version", "encoding", "standalone" };
        std::size_t nextAllowed = 0;

        for (;;)
        {
            const bool spaced = skipSpace();
            if (consume ("?>"))
                return nextAllowed > 0;
            if (! spaced)
                return false;

            const auto name = readName();
            const auto known = std::find (std::begin (order) + static_cast<std::ptrdiff_t> (nextAllowed), std::end (order), name);
            if (known == std::end (order) || (nextAllowed == 0 && known != std::begin (order)))
                return false;
            nextAllowed = static_cast<std::size_t> (known - std::begin (order)) + 1;

            if (! readEquals() || ! readAttributeValue (nullptr))
                return false;
        }
    }

    // After "<!--": the text up to "-->", which holds no other "--".
    bool readComment() noexcept
    {
        const auto dashes = text.find ("--", position);
        if (dashes == std::string_view::npos || dashes + 2 >= text.size() || text[dashes + 2] != '>')
            return false;
        position = dashes + 3;
        return true;
    }

    // After "<?": a target other than "xml" in any letter case, then anything up to "?>".
    bool readProcessingInstruction() noexcept
    {
        const auto target = readName();
        const auto isXml = target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
        if (target.empty() || isXml)
            return false;
        if (consume ("?>"))
            return true;
        return skipSpace() && skipPast ("?>");
    }

    bool readQuotedLiteral() noexcept
    {
        if (atEnd() || (next() != '"' && next() != '\''))
            return false;
        const auto closing = text.find (next(), position + 1);
        if (closing == std::string_view::npos)
            return false;
        position = closing + 1;
        return true;
    }

    // After "<!DOCTYPE": the root's name, an optional external identifier and an optional internal
    // subset. Nothing declared there is used, so of a declaration only its keyword is checked; its
    // body is skipped to its ">", minding quoted literals, which may hold one.
    bool readDocumentType() noexcept
    {
        if (! skipSpace() || readName().empty())
            return false;

        const bool spaced = skipSpace();
        const int externalLiterals = consume ("PUBLIC") ? 2 : consume ("SYSTEM") ? 1 : 0;
        if (externalLiterals > 0 && ! spaced)
            return false;
        for (int i = 0; i < externalLiterals; ++i)
            if (! skipSpace() || ! readQuotedLiteral())
                return false;
        skipSpace();

        if (consume ("["))
        {
            for (;;)
            {
                skipSpace();
                if (consume ("]"))
                    break;
                if (! readMarkupDeclaration())
                    return false;
            }
            skipSpace();
        }
        return consume (">");
    }

    bool readMarkupDeclaration() noexcept
    {
        if (consume ("<!--"))
            return readComment();
        if (consume ("<?"))
            return readProcessingInstruction();
        if (consume ("%"))
            return ! readName().empty() && consume (";");

        constexpr std::string_view keywords[] = { "<!ELEMENT", "<!ATTLIST", "<!ENTITY", "<!NOTATION" };
        const auto keyword = std::find_if (std::begin (keywords), std::end (keywords), [this] (auto k) { return consume (k); });
        if (keyword == std::end (keywords) || ! skipSpace())
            return false;

        while (! atEnd() && next() != '>')
        {
            if (next() == '"' || next() == '\'')
            {
                if (! readQuotedLiteral())
                    return false;
            }
            else
            {
                ++position;
            }
        }
        return consume (">");
    }

    // After "&": a predefined entity or a character reference, appended to the value when there is one.
    bool readReference (std::string* value)
    {
        char32_t character = 0;

        if (consume ("#"))
        {
            const bool hex = consume ("x");
            const auto firstDigit = position;
            for (; ! atEnd(); ++position)
            {
                const auto c = next();
                const int digit = (c >= '0' && c <= '9') ? c - '0'
                                : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                                : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                                : -1;
                if (digit < 0)
                    break;
                character = std::min<char32_t> (character * (hex ? 16 : 10) + static_cast<char32_t> (digit), invalidCharacter >> 4);
            }
            if (position == firstDigit || ! isXmlCharacter (character))
                return false;
        }
        else
        {
            constexpr std::pair<std::string_view, char> predefined[] = { { "lt", '<' }, { "gt", '>' }, { "amp", '&' }, { "apos", '\'' }, { "quot", '"' } };
            const auto name = readName();
            const auto entity = std::find_if (std::begin (predefined), std::end (predefined), [name] (const auto& p) { return p.first == name; });
            if (entity == std::end (predefined))
                return false;
            character = static_cast<char32_t> (entity->second);
        }

        if (! consume (";"))
            return false;
        if (value != nullptr)
            appendUtf8 (*value, character);
        return true;
    }

    bool readEquals() noexcept
    {
        skipSpace();
        if (! consume ("="))
            return false;
        skipSpace();
        return true;
    }

    // A quoted value with only complete references. A "<" is let through, although XML forbids it
    // here: hand-edited presets have it, it cannot end the value early, and JUCE's reader took it.
    bool readAttributeValue (std::string* value)
    {
        if (atEnd() || (next() != '"' && next() != '\''))
            return false;
        const auto quote = next();
        ++position;

        while (! atEnd() && next() != quote)
        {
            const auto c = next();
            ++position;
            if (c == '&')
            {
                if (! readReference (value))
                    return false;
            }
            else if (value != nullptr)
            {
                *value += c;
            }
        }
        return consume (std::string_view (&quote, 1));
    }

    // After the "<" of a start tag: the name, the attributes, then ">" or "/>". Only the root's
    // attribute values are kept.
    bool readStartTag()
    {
        const bool isRoot = ! rootSeen;
        rootSeen = true;

        const auto name = readName();
        if (name.empty() || openElements.size() >= maxNestingDepth)
            return false;
        if (isRoot)
            root.tagName = std::string (name);

        attributeNames.clear();
        for (;;)
        {
            const bool spaced = skipSpace();
            if (consume ("/>"))
                break;
            if (consume (">"))
            {
                openElements.push_back (name);
                break;
            }

            const auto attributeName = readName();
            if (! spaced || attributeName.empty() || ++attributeCount > maxAttributes || ! readEquals())
                return false;
            attributeNames.push_back (attributeName);

            std::string* value = nullptr;
            if (isRoot)
                value = &root.attributes.emplace_back (std::string (attributeName), std::string()).second;
            if (! readAttributeValue (value))
                return false;
        }

        std::sort (attributeNames.begin(), attributeNames.end());
        return std::adjacent_find (attributeNames.begin(), attributeNames.end()) == attributeNames.end();
    }

    // After "</": the name of the innermost open element.
    bool readEndTag() noexcept
    {
        const auto name = readName();
        skipSpace();
        if (name != openElements.back() || ! consume (">"))
            return false;
        openElements.pop_back();
        return true;
    }

    // Text up to the next "<", with only complete references and no "]]>". Content that the text
    // ends in is a document cut short.
    bool readCharacterData()
    {
        while (! atEnd() && next() != '<')
        {
            if (lookingAt ("]]>"))
                return false;
            if (consume ("&"))
            {
                if (! readReference (nullptr))
                    return false;
            }
            else
            {
                ++position;
            }
        }
        return ! atEnd();
    }

    bool readMiscellaneous() noexcept
    {
        if (consume ("<!--"))
            return readComment();
        if (consume ("<?"))
            return readProcessingInstruction();
        return false;
    }

    bool readProlog()
    {
        consume ("\xef\xbb\xbf");
        if (lookingAt ("<?xml") && position + 5 < text.size() && isSpace (text[position + 5]))
        {
            position += 5;
            if (! readDeclaration())
                return false;
        }

        bool documentTypeSeen = false;
        for (;;)
        {
            skipSpace();
            if (consume ("<!DOCTYPE"))
            {
                if (documentTypeSeen || ! readDocumentType())
                    return false;
                documentTypeSeen = true;
            }
            else if (lookingAt ("<!") || lookingAt ("<?"))
            {
                if (! readMiscellaneous())
                    return false;
            }
            else
            {
                return consume ("<");
            }
        }
    }

    // From after the root's "<" to the end of its end tag, with the open elements on a stack of
    // their own rather than the machine's.
    bool readElements()
    {
        if (! readStartTag())
            return false;

        while (! openElements.empty())
        {
            if (! readCharacterData())
                return false;

            if (consume ("</"))
            {
                if (! readEndTag())
                    return false;
            }
            else if (consume ("<![CDATA["))
            {
                if (! skipPast ("]]>"))
                    return false;
            }
            else if (lookingAt ("<!") || lookingAt ("<?"))
            {
                if (! readMiscellaneous())
                    return false;
            }
            else if (! consume ("<") || ! readStartTag())
            {
                return false;
            }
        }
        return true;
    }

    bool readEpilogue() noexcept
    {
        for (;;)
        {
            skipSpace();
            if (atEnd())
                return true;
            if (! readMiscellaneous())
                return false;
        }
    }

    std::string_view text;
    std::size_t position = 0;
    XmlRootElement root;
    bool rootSeen = false;
    std::vector<std::string_view> openElements;
    std::vector<std::string_view> attributeNames;
    std::size_t attributeCount = 0;
};
} // namespace

std::optional<XmlRootElement> read (std::string_view utf8Text)
{
    if (utf8Text.size() > maxTextLength || ! isValidXmlText (utf8Text))
        return std::nullopt;

    return DocumentReader (utf8Text).readDocument();
}
} // namespace XmlRootReader

#include "ProcessorFixture.h"
#include "StateBlob.h"
#include "XmlRootReader.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>


namespace
{
juce::MemoryBlock blobWithBytes (std::string_view text, int declaredLength = -1, bool terminated = true)
{
    juce::MemoryOutputStream stream;
    stream.writeInt (static_cast<int> (StateBlob::magic));
    stream.writeInt (declaredLength >= 0 ? declaredLength : static_cast<int> (text.size()));
    stream.write (text.data(), text.size());
    if (terminated)
        stream.writeByte (0);
    return stream.getMemoryBlock();
}

juce::MemoryBlock blobWith (const juce::String& xml, int declaredLength = -1, bool terminated = true)
{
    return blobWithBytes ({ xml.toRawUTF8(), xml.getNumBytesAsUTF8() }, declaredLength, terminated);
}

juce::String xmlOf (const juce::MemoryBlock& blob)
{
    return juce::String::fromUTF8 (static_cast<const char*> (blob.getData()) + 8, static_cast<int> (blob.getSize()) - 9);
}

juce::String repeated (const juce::String& piece, int count)
{
    return juce::String::repeatedString (piece, count);
}

std::uint32_t bitsOf (float value)
{
    std::uint32_t bits;
    std::memcpy (&bits, &value, sizeof (bits));
    return bits;
}

const juce::String workedExample = "<MYTEVRALPLUGINSETTINGS curProgram=\"0\" 0=\"0.5\" 1=\"0.12851405143737792969\" "
                                   "2=\"0.42221122980117797852\" 3=\"0.8643856048583984375\" 4=\"0.8333333134651184082\"/>";
} // namespace

class StateBlobTest : public ProcessorTest
{
protected:
    void restore (const juce::MemoryBlock& blob)
    {
        processor->setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
        ManualClock::now += 1000;
    }

    juce::MemoryBlock save()
    {
        juce::MemoryBlock blob;
        processor->getStateInformation (blob);
        return blob;
    }

    std::array<float, 5> values()
    {
        std::array<float, 5> v {};
        for (int i = 0; i < 5; ++i)
            v[static_cast<size_t> (i)] = processor->getParameter (i);
        return v;
    }
};

TEST_F (StateBlobTest, AFreshProcessorWritesTheWorkedExample)
{
    prepare (48000.0);
    const auto blob = save();
    ASSERT_EQ (blob.getSize(), 163u);
    EXPECT_EQ (blob, blobWith (workedExample));
    EXPECT_EQ (std::memcmp (blob.getData(), "VC2!\x9a\0\0\0", 8), 0);
}

TEST_F (StateBlobTest, WritingReplacesWhatTheBlockHeld)
{
    juce::MemoryBlock block (1000, true);
    processor->getStateInformation (block);
    EXPECT_EQ (block.getSize(), 163u);
}

TEST_F (StateBlobTest, ARoundTripIsExact)
{
    processor->setCurrentProgram (17);
    juce::Random random (11);
    for (int i = 0; i < 5; ++i)
        processor->setParameter (i, random.nextFloat());
    processor->setParameter (0, 1.0e-5f);
    const auto saved = values();
    const auto blob = save();

    for (int i = 0; i < 5; ++i)
        processor->setParameter (i, 0.0f);
    processor->setCurrentProgram (2);
    restore (blob);

    EXPECT_EQ (processor->getCurrentProgram(), 17);
    EXPECT_EQ (values(), saved);
    EXPECT_EQ (save(), blob);
    EXPECT_TRUE (xmlOf (blob).contains ("0=\"9.9999997473787516356e-06\""));
}

TEST_F (StateBlobTest, ARoundTripIsExactForSignedZeroSubnormalsAndTheEndsOfTheRange)
{
    constexpr auto smallestNormal = std::numeric_limits<float>::min();
    constexpr auto smallestSubnormal = std::numeric_limits<float>::denorm_min();
    const float edges[] = { -0.0f, smallestSubnormal, 2 * smallestSubnormal, std::nextafter (smallestNormal, 0.0f), smallestNormal,
                            std::nextafter (smallestNormal, 1.0f), 1.0e-30f, std::nextafter (0.5f, 0.0f), std::nextafter (0.5f, 1.0f),
                            std::nextafter (1.0f, 0.0f), 1.0f, 0.0f };

    for (size_t first = 0; first < std::size (edges); first += numParameters)
    {
        std::array<float, numParameters> saved {};
        for (size_t i = 0; i < saved.size(); ++i)
        {
            saved[i] = edges[(first + i) % std::size (edges)];
            processor->setParameter (static_cast<int> (i), saved[i]);
        }
        const auto blob = save();

        for (int i = 0; i < numParameters; ++i)
            processor->setParameter (i, 0.75f);
        restore (blob);

        for (size_t i = 0; i < saved.size(); ++i)
            EXPECT_EQ (bitsOf (values()[i]), bitsOf (saved[i])) << StateBlob::valueText (saved[i]);
        EXPECT_EQ (save(), blob);
    }
}

TEST_F (StateBlobTest, TheNumbersAreWrittenInTheClassicLocaleWhateverTheHostSets)
{
    const auto* previous = std::setlocale (LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale (LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        std::setlocale (LC_NUMERIC, "C.UTF-8");
    EXPECT_EQ (StateBlob::valueText (0.5f), "0.5");
    std::setlocale (LC_NUMERIC, saved.c_str());

    EXPECT_EQ (StateBlob::valueText (0.0f), "0");
    EXPECT_EQ (StateBlob::valueText (1.0f), "1");
    EXPECT_EQ (StateBlob::valueText (-0.25f), "-0.25");
}

TEST_F (StateBlobTest, RefusedBlobsChangeNothing)
{
    processor->setCurrentProgram (4);
    const auto before = save();
    const auto valid = blobWith (workedExample.replace ("curProgram=\"0\"", "curProgram=\"9\""));

    auto eightBytes = valid;
    eightBytes.setSize (8);
    auto zeroLength = valid;
    zeroLength[4] = 0;
    auto negativeLength = valid;
    negativeLength[7] = static_cast<char> (0x80);
    auto swappedMagic = valid;
    std::memcpy (swappedMagic.getData(), "!2CV", 4);

    for (const auto& blob : { eightBytes, zeroLength, negativeLength, swappedMagic, blobWith ("<MYTEVRALPLUGINSETTINGS curProgram="),
                              blobWith ("<OTHER curProgram=\"9\"/>"), blobWith ("") })
    {
        restore (blob);
        EXPECT_EQ (save(), before);
    }

    // A multi-byte sequence cut off at the end of the text.
    restore (blobWithBytes ("<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><a>\xe2\x82", -1, false));
    EXPECT_EQ (save(), before);

    // Text that is not well-formed XML, however close it comes.
    for (const auto* xml : { "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" curProgram=\"9\"/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><a></b></MYTEVRALPLUGINSETTINGS>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><a></MYTEVRALPLUGINSETTINGS>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\">",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\"/>text",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\"/><MYTEVRALPLUGINSETTINGS/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=9/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"&bogus;\"/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"&#0;\"/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><!-- a -- b --></MYTEVRALPLUGINSETTINGS>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><?xml version=\"1.0\"?></MYTEVRALPLUGINSETTINGS>",
                             " <?xml version=\"1.0\"?><MYTEVRALPLUGINSETTINGS curProgram=\"9\"/>",
                             "<!DOCTYPE x [<!ENTITY e \"9\">]><MYTEVRALPLUGINSETTINGS curProgram=\"&e;\"/>",
                             "<!DOCTYPE x [<!ENTIT e \"9\">]><MYTEVRALPLUGINSETTINGS curProgram=\"9\"/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" -0=\"0.5\"/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"0.5\xc0\xaf\"/>",
                             "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"\x01\"/>" })
    {
        restore (blobWithBytes (xml));
        EXPECT_EQ (save(), before) << xml;
    }

    // An entity reference that the text ends in the middle of.
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"9\">&#X"));
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"9\">&#x4"));
    EXPECT_EQ (save(), before);

    processor->setStateInformation (nullptr, 0);
    processor->setStateInformation (valid.getData(), -5);
    EXPECT_EQ (save(), before);
}

TEST_F (StateBlobTest, TheLengthFieldIsBelievedOnlyAsFarAsTheDataReaches)
{
    const auto xml = workedExample.replace ("curProgram=\"0\"", "curProgram=\"6\"");
    restore (blobWith (xml, 5000, true));
    EXPECT_EQ (processor->getCurrentProgram(), 6);

    restore (blobWith (xml.replace ("\"6\"", "\"7\""), 5000, false));
    EXPECT_EQ (processor->getCurrentProgram(), 7);

    // A shorter length cuts the text: this one no longer parses.
    restore (blobWith (xml.replace ("\"7\"", "\"8\""), 20, true));
    EXPECT_EQ (processor->getCurrentProgram(), 7);
}

TEST_F (StateBlobTest, AHeaderAndCommentsBeforeTheElementAreRead)
{
    restore (blobWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- saved -->\n<MYTEVRALPLUGINSETTINGS curProgram=\"7\"/>"));
    EXPECT_EQ (processor->getCurrentProgram(), 7);
}

TEST_F (StateBlobTest, EveryWellFormedDocumentAroundTheElementIsRead)
{
    const char* const documents[] = {
        "<MYTEVRALPLUGINSETTINGS curProgram=\"1\" 0=\"0.25\"><!-- hand-edited --></MYTEVRALPLUGINSETTINGS>",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"2\" 0=\"0.25\"><!-- x -->text</MYTEVRALPLUGINSETTINGS>",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"3\" 0=\"0.25\"><?x?></MYTEVRALPLUGINSETTINGS>",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"4\" 0=\"0.25\"><?x y?>text</MYTEVRALPLUGINSETTINGS>",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"5\" 0=\"0.25\"><a b='c'><c/></a><!-- x --></MYTEVRALPLUGINSETTINGS>",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"6\" 0=\"0.25\"/><!-- after -->",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"7\" 0=\"0.25\"/>\n<?after?>\n",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"8\" 0=\"0.25\" note=\"<?x?>\"/>",
        "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"0.25\"><![CDATA[<a>&]]>&amp;&lt;&#233;</MYTEVRALPLUGINSETTINGS>",
        "<!DOCTYPE MYTEVRALPLUGINSETTINGS PUBLIC \"-//x\" 'a>b' [<!ENTITY e \">]\"><!-- ] -->%p;]><MYTEVRALPLUGINSETTINGS curProgram=\"10\" 0=\"0.25\"/>",
        "\xef\xbb\xbf<?xml version='1.0' standalone='yes'?><MYTEVRALPLUGINSETTINGS\n\tcurProgram = '11' 0='0.25' \xc3\xa9='\xe2\x82\xac'/>",
        "<MYTEVRALPLUGINSETTINGS 0=\"0.25\" curProgram=\"&#x31;&#50;\" note=\"&quot;&apos;&gt;\"></MYTEVRALPLUGINSETTINGS >",
    };

    int program = 0;
    for (const auto* xml : documents)
    {
        processor->setParameter (mixParameter, 0.75f);
        restore (blobWith (juce::String::fromUTF8 (xml)));
        EXPECT_EQ (processor->getCurrentProgram(), ++program) << xml;
        EXPECT_EQ (processor->getParameter (mixParameter), 0.25f) << xml;
    }
}

// Blobs crafted to crash, freeze or mislead a reader: each is refused or read as its numbers say, at
// once, however deep, wide or long it is.
TEST_F (StateBlobTest, CraftedBlobsAreRefusedOrReadAtOnce)
{
    constexpr auto timeLimit = std::chrono::milliseconds (500);
    const auto depth = static_cast<int> (XmlRootReader::maxNestingDepth);
    const auto attributes = static_cast<int> (XmlRootReader::maxAttributes);
    const auto element = [] (const juce::String& content) {
        return "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"0.25\">" + content + "</MYTEVRALPLUGINSETTINGS>";
    };
    const auto withOtherAttributes = [] (int count) {
        juce::String xml = "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"0.25\"";
        for (int i = 0; i < count; ++i)
            xml << " a" << i << "=\"0\"";
        return xml + "/>";
    };

    // The "Mix" value that the blob sets, or none when it is refused.
    struct Case
    {
        const char* what;
        juce::String xml;
        std::optional<float> mix;
    };
    const Case cases[] = {
        { "recursive entity", "<!DOCTYPE x [<!ENTITY a \"&Xa;\">]><MYTEVRALPLUGINSETTINGS curProgram=\"&a;\" 0=\"0.5\"/>", {} },
        { "30000 levels deep", element (repeated ("<a>", 30000) + repeated ("</a>", 30000)), {} },
        { "deepest nesting", element (repeated ("<a>", depth - 1) + repeated ("</a>", depth - 1)), 0.25f },
        { "one level deeper", element (repeated ("<a>", depth) + repeated ("</a>", depth)), {} },
        { "the most attributes", withOtherAttributes (attributes - 2), 0.25f },
        { "one attribute more", withOtherAttributes (attributes - 1), {} },
        { "40000 attributes", "<MYTEVRALPLUGINSETTINGS" + repeated (" a=\"0\"", 40000) + " curProgram=\"9\"/>", {} },
        { "a text too long", element (repeated (" ", static_cast<int> (XmlRootReader::maxTextLength))), {} },
        { "a comment never closed", element ("<!--" + repeated ("-", 500000)), {} },
        { "a huge exponent", "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"0.5e4294967295\"/>", 1.0f },
        { "a number of 100000 digits", "<MYTEVRALPLUGINSETTINGS curProgram=\"9\" 0=\"0." + repeated ("0", 100000) + "25e100000\"/>", 0.25f },
    };

    for (const auto& crafted : cases)
    {
        processor->setCurrentProgram (4);
        const auto before = save();
        const auto blob = blobWith (crafted.xml);

        const auto start = std::chrono::steady_clock::now();
        restore (blob);
        EXPECT_LT (std::chrono::steady_clock::now() - start, timeLimit) << crafted.what;

        if (crafted.mix)
        {
            EXPECT_EQ (processor->getCurrentProgram(), 9) << crafted.what;
            EXPECT_EQ (processor->getParameter (mixParameter), *crafted.mix) << crafted.what;
        }
        else
        {
            EXPECT_EQ (save(), before) << crafted.what;
        }
    }

    restore (blobWith ("<MYTEVRALPLUGINSETTINGS 1=\"-1e-4294967295\"/>"));
    EXPECT_EQ (bitsOf (values()[1]), bitsOf (-0.0f));
}

// A blob cut short anywhere before its terminator is refused whole, never partly applied.
TEST_F (StateBlobTest, EveryTruncationOfASavedBlobIsRefused)
{
    processor->setCurrentProgram (17);
    processor->setParameter (mixParameter, 0.3f);
    const auto saved = save();

    processor->setCurrentProgram (4);
    const auto before = save();
    for (size_t size = 1; size + 1 < saved.getSize(); ++size)
    {
        processor->setStateInformation (saved.getData(), static_cast<int> (size));
        ManualClock::now += 1000;
        ASSERT_EQ (save(), before) << "cut to " << size << " bytes";
    }

    processor->setStateInformation (saved.getData(), static_cast<int> (saved.getSize() - 1));
    EXPECT_EQ (save(), saved) << "only the terminator missing";
}

TEST_F (StateBlobTest, CompleteEntityReferencesAreRead)
{
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"&#49;&#x32;\" 0=\"0&#46;25\"/>"));
    EXPECT_EQ (processor->getCurrentProgram(), 12);
    EXPECT_EQ (processor->getParameter (mixParameter), 0.25f);
}

TEST_F (StateBlobTest, TagCaseAndAttributeNames)
{
    restore (blobWith ("<mytevralpluginsettings curProgram=\"12\" 0=\"0.25\"/>"));
    EXPECT_EQ (processor->getCurrentProgram(), 12);
    EXPECT_EQ (processor->getParameter (mixParameter), 0.25f);

    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curprogram=\"3\" 0=\"0.75\"/>"));
    EXPECT_EQ (processor->getCurrentProgram(), 12) << "curprogram is not curProgram";
    EXPECT_EQ (processor->getParameter (mixParameter), 0.75f);
}

TEST_F (StateBlobTest, HowNumbersAreRead)
{
    const auto programFrom = [this] (const char* text) {
        restore (blobWith (juce::String ("<MYTEVRALPLUGINSETTINGS curProgram=\"") + text + "\"/>"));
        return processor->getCurrentProgram();
    };

    EXPECT_EQ (programFrom ("3.9"), 3);
    EXPECT_EQ (programFrom ("-0.5"), 0);
    EXPECT_EQ (programFrom ("abc"), 0);
    EXPECT_EQ (programFrom ("  +5xyz"), 5);
    EXPECT_EQ (programFrom ("2e1"), 20);
    EXPECT_EQ (programFrom ("nan"), std::numeric_limits<int>::min());
    EXPECT_EQ (programFrom ("-INF"), std::numeric_limits<int>::min());
    EXPECT_EQ (programFrom ("3000000000"), std::numeric_limits<int>::min());

    // Parameter values outside 0..1, not-a-number and infinities included, never leave the range.
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS 0=\"1e300\" 1=\"-7\" 2=\"nan\" 3=\"inf\" 4=\"0.4\"/>"));
    EXPECT_EQ (values()[0], 1.0f);
    EXPECT_EQ (values()[1], 0.0f);
    EXPECT_GE (values()[2], 0.0f);
    EXPECT_LE (values()[2], 1.0f);
    EXPECT_EQ (values()[3], 1.0f);
    EXPECT_EQ (values()[4], 0.4f);
}

TEST_F (StateBlobTest, AProgramOutsideTheTableIsKeptAndWrittenBack)
{
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"30\" 0=\"0.1\" 1=\"0.2\" 2=\"0.3\" 3=\"0.4\" 4=\"0.5\"/>"));
    EXPECT_EQ (processor->getCurrentProgram(), 30);
    EXPECT_EQ (values(), (std::array { 0.1f, 0.2f, 0.3f, 0.4f, 0.5f }));
    EXPECT_TRUE (xmlOf (save()).contains ("curProgram=\"30\""));
}

TEST_F (StateBlobTest, MissingValuesComeFromTheProgramOrStay)
{
    processor->setParameter (mixParameter, 0.2f);
    processor->setParameter (predelayParameter, 0.9f);
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"15\"/>"));
    EXPECT_EQ (processor->getCurrentProgram(), 15);
    EXPECT_EQ (values()[0], 0.2f);
    EXPECT_EQ (values()[1], 1.0f);
    EXPECT_EQ (values()[2], 0.6333168f);
}

TEST_F (StateBlobTest, ASecondRestoreWithinTheWindowAppliesItsValuesButNotItsProgram)
{
    struct Counter : juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
        int count = 0;
    } counter;
    processor->addProgramChangeListener (&counter);

    const auto first = blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"1\"/>");
    processor->setStateInformation (first.getData(), static_cast<int> (first.getSize()));
    dispatchChangeNotices();
    EXPECT_EQ (counter.count, 1);

    ManualClock::now += 150;
    const auto second = blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"2\" 0=\"0.1\" 1=\"0.2\" 2=\"0.3\" 3=\"0.4\" 4=\"0.5\"/>");
    processor->setStateInformation (second.getData(), static_cast<int> (second.getSize()));
    dispatchChangeNotices();
    EXPECT_EQ (counter.count, 1);
    EXPECT_EQ (processor->getCurrentProgram(), 2);
    EXPECT_EQ (values(), (std::array { 0.1f, 0.2f, 0.3f, 0.4f, 0.5f }));

    processor->removeProgramChangeListener (&counter);
}


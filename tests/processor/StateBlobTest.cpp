#include "ProcessorFixture.h"
#include "StateBlob.h"

#include <cstring>
#include <limits>


namespace
{
juce::MemoryBlock blobWith (const juce::String& xml, int declaredLength = -1, bool terminated = true)
{
    juce::MemoryOutputStream stream;
    stream.writeInt (static_cast<int> (StateBlob::magic));
    stream.writeInt (declaredLength >= 0 ? declaredLength : static_cast<int> (xml.getNumBytesAsUTF8()));
    stream.write (xml.toRawUTF8(), xml.getNumBytesAsUTF8());
    if (terminated)
        stream.writeByte (0);
    return stream.getMemoryBlock();
}

juce::String xmlOf (const juce::MemoryBlock& blob)
{
    return juce::String::fromUTF8 (static_cast<const char*> (blob.getData()) + 8, static_cast<int> (blob.getSize()) - 9);
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
    const char truncated[] = "<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><a>\xe2\x82";
    juce::MemoryOutputStream raw;
    raw.writeInt (static_cast<int> (StateBlob::magic));
    raw.writeInt (static_cast<int> (sizeof (truncated) - 1));
    raw.write (truncated, sizeof (truncated) - 1);
    restore (raw.getMemoryBlock());
    EXPECT_EQ (save(), before);

    // An instruction or a comment followed by text inside the element.
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><?x?>text</MYTEVRALPLUGINSETTINGS>"));
    restore (blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"9\"><!-- x -->text</MYTEVRALPLUGINSETTINGS>"));
    EXPECT_EQ (save(), before);

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
    processor->addChangeListener (&counter);

    const auto first = blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"1\"/>");
    processor->setStateInformation (first.getData(), static_cast<int> (first.getSize()));
    processor->dispatchPendingMessages();
    EXPECT_EQ (counter.count, 1);

    ManualClock::now += 150;
    const auto second = blobWith ("<MYTEVRALPLUGINSETTINGS curProgram=\"2\" 0=\"0.1\" 1=\"0.2\" 2=\"0.3\" 3=\"0.4\" 4=\"0.5\"/>");
    processor->setStateInformation (second.getData(), static_cast<int> (second.getSize()));
    processor->dispatchPendingMessages();
    EXPECT_EQ (counter.count, 1);
    EXPECT_EQ (processor->getCurrentProgram(), 2);
    EXPECT_EQ (values(), (std::array { 0.1f, 0.2f, 0.3f, 0.4f, 0.5f }));

    processor->removeChangeListener (&counter);
}


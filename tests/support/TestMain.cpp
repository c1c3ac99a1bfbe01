#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

namespace
{
// Change broadcasts need a message manager; the test thread is its message thread. Shutting JUCE
// down stops its timer thread before the process's statics go.
class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { juce::initialiseJuce_GUI(); }
    void TearDown() override { juce::shutdownJuce_GUI(); }
};
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    ::testing::AddGlobalTestEnvironment (new JuceEnvironment());
    return RUN_ALL_TESTS();
}

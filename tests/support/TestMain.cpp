#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

namespace
{
// Change broadcasts need a message manager; the test thread is its message thread.
class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { juce::MessageManager::getInstance(); }
    void TearDown() override { juce::MessageManager::deleteInstance(); }
};
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    ::testing::AddGlobalTestEnvironment (new JuceEnvironment());
    return RUN_ALL_TESTS();
}

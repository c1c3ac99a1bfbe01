#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

namespace
{
// The editor needs JUCE's GUI support; the test thread is the message thread. Nothing goes on the
// desktop, so no display is needed.
class GuiEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { gui = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
    void TearDown() override { gui.reset(); }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> gui;
};
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    ::testing::AddGlobalTestEnvironment (new GuiEnvironment());
    return RUN_ALL_TESTS();
}

#include "EditorTestSupport.h"
#include "HalvornArtwork.h"
#include "ParameterMapping.h"

namespace
{
juce::Image artwork (const unsigned char* data, int size)
{
    return juce::ImageFileFormat::loadFrom (data, static_cast<size_t> (size));
}

// Counts the pixels of `area` in the snapshot that differ from the picture's pixels from `source`.
int differingPixels (const juce::Image& snapshot, juce::Rectangle<int> area, const juce::Image& picture, juce::Point<int> source)
{
    int differing = 0;
    for (int y = 0; y < area.getHeight(); ++y)
        for (int x = 0; x < area.getWidth(); ++x)
            if (snapshot.getPixelAt (area.getX() + x, area.getY() + y) != picture.getPixelAt (source.x + x, source.y + y))
                ++differing;

    return differing;
}

// The right-most column in which the editor's drawing made a pixel dark where the background is not;
// -1 if there is none.
int rightmostDarkenedColumn (const juce::Image& snapshot, const juce::Image& picture, juce::Rectangle<int> area)
{
    for (int x = area.getRight() - 1; x >= area.getX(); --x)
        for (int y = area.getY(); y < area.getBottom(); ++y)
            if (snapshot.getPixelAt (x, y).getBrightness() < 0.25f && picture.getPixelAt (x, y).getBrightness() >= 0.25f)
                return x;

    return -1;
}

class EditorSnapshot : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ASSERT_TRUE (background.isValid());
        ASSERT_TRUE (knobStrip.isValid());
        ASSERT_TRUE (leftKey.isValid());
        ASSERT_TRUE (rightKey.isValid());
        ASSERT_TRUE (thumb.isValid());
    }

    juce::Image snapshot() const
    {
        return editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);
    }

    const juce::Image background = artwork (resource_resources_bmp00128_png, resource_resources_bmp00128_png_size);
    const juce::Image knobStrip = artwork (resource_resources_bmp00129_png, resource_resources_bmp00129_png_size);
    const juce::Image leftKey = artwork (resource_resources_bmp00130_png, resource_resources_bmp00130_png_size);
    const juce::Image rightKey = artwork (resource_resources_bmp00131_png, resource_resources_bmp00131_png_size);
    const juce::Image thumb = artwork (resource_resources_bmp00132_png, resource_resources_bmp00132_png_size);

    const juce::Rectangle<int> knobArea { 12, 14, 78, 79 };
    const juce::Rectangle<int> leftArea { 91, 80, 19, 17 };
    const juce::Rectangle<int> rightArea { 111, 80, 19, 17 };
    const juce::Point<int> sliderOrigin { 382, 16 };
    const juce::Point<int> meterOrigin { 316, 36 };
};
} // namespace

TEST_F (EditorSnapshot, ControlsShowTheFramesOfTheirValuesOverTheBackground)
{
    setRate (44100.0);
    processor->setCurrentProgram (0);
    automate (mixParameter, 0.5f);
    openEditor();
    const auto image = snapshot();

    ASSERT_EQ (image.getWidth(), 430);
    ASSERT_EQ (image.getHeight(), 110);
    EXPECT_EQ (differingPixels (image, { 0, 0, 430, 14 }, background, { 0, 0 }), 0);
    EXPECT_EQ (differingPixels (image, knobArea, knobStrip, { 0, 10 * 79 }), 0);
    EXPECT_EQ (differingPixels (image, leftArea, leftKey, { 0, 0 }), 0);
    EXPECT_EQ (differingPixels (image, rightArea, rightKey, { 0, 0 }), 0);

    // Volume 0.833 puts the thumb's top 9 rows down (59 x 0.167 = 9.85) and lights ten segments.
    EXPECT_EQ (differingPixels (image, { sliderOrigin.x, sliderOrigin.y + 9, 23, 23 }, thumb, { 0, 0 }), 0);
    EXPECT_EQ (differingPixels (image, { sliderOrigin.x, sliderOrigin.y, 23, 9 }, background, sliderOrigin), 0);
    EXPECT_EQ (differingPixels (image, { sliderOrigin.x, sliderOrigin.y + 32, 23, 50 }, background, sliderOrigin.translated (0, 32)), 0);

    for (int row = 0; row < 23; ++row)
    {
        const auto expected = (row >= 4 && row % 2 == 0) ? juce::Colour (0xff3c3c3c) : juce::Colour (0xff84aa00);
        EXPECT_EQ (image.getPixelAt (meterOrigin.x + 3, meterOrigin.y + row), expected) << "meter row " << row;
    }

    juce::PNGImageFormat png;
    juce::FileOutputStream out (juce::File (HALVORN_SNAPSHOT_FOLDER).getChildFile ("editor_snapshot.png"));
    out.setPosition (0);
    out.truncate();
    EXPECT_TRUE (png.writeImageToStream (image, out));
}

TEST_F (EditorSnapshot, ExtremeValuesShowTheEndFrames)
{
    automate (mixParameter, 1.0f);
    automate (volumeParameter, 0.0f);
    openEditor();
    auto image = snapshot();
    EXPECT_EQ (differingPixels (image, knobArea, knobStrip, { 0, 20 * 79 }), 0);
    EXPECT_EQ (differingPixels (image, { sliderOrigin.x, sliderOrigin.y + 59, 23, 23 }, thumb, { 0, 0 }), 0);
    EXPECT_EQ (image.getPixelAt (meterOrigin.x, meterOrigin.y + 22), juce::Colour (0xff84aa00));

    automate (mixParameter, 0.0f);
    automate (volumeParameter, 1.0f);
    editor->updateAllDisplays (1);
    image = snapshot();
    EXPECT_EQ (differingPixels (image, knobArea, knobStrip, { 0, 0 }), 0);
    EXPECT_EQ (differingPixels (image, { sliderOrigin.x, sliderOrigin.y, 23, 23 }, thumb, { 0, 0 }), 0);
    EXPECT_EQ (image.getPixelAt (meterOrigin.x, meterOrigin.y), juce::Colour (0xff3c3c3c));
}

TEST_F (EditorSnapshot, AHeldSelectorButtonShowsItsLitFrame)
{
    openEditor();
    leftButton().setState (juce::Button::buttonDown);
    auto image = snapshot();
    EXPECT_EQ (differingPixels (image, leftArea, leftKey, { 0, 17 }), 0);
    EXPECT_EQ (differingPixels (image, rightArea, rightKey, { 0, 0 }), 0);

    leftButton().setState (juce::Button::buttonNormal);
    rightButton().setState (juce::Button::buttonDown);
    image = snapshot();
    EXPECT_EQ (differingPixels (image, leftArea, leftKey, { 0, 0 }), 0);
    EXPECT_EQ (differingPixels (image, rightArea, rightKey, { 0, 17 }), 0);
}

TEST_F (EditorSnapshot, LabelsDrawDarkTextAgainstTheirRightBorder)
{
    openEditor();
    const auto image = snapshot();

    for (const auto* name : { "Display1Txt", "Display1Val", "Display2Txt", "Display3Val", "Display4Txt", "Display5Val" })
    {
        const auto area = label (name).getBounds();
        // Right-aligned within the label's 5-pixel border.
        const auto column = rightmostDarkenedColumn (image, background, area);
        EXPECT_GE (column, area.getRight() - 8) << name;
        EXPECT_LT (column, area.getRight() - 4) << name;
    }
}

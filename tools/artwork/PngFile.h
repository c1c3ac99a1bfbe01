#pragma once

#include <juce_graphics/juce_graphics.h>

// Writes an image as an 8-bit RGB PNG (colour type 2, no alpha, not interlaced) with exactly the
// chunks IHDR, pHYs, tIME, IDAT..., IEND. The time stamp is fixed, so the same pixels always give
// the same bytes. Returns false, with a reason in errorMessage, when the file cannot be written.
bool writeRgbPng (const juce::Image& image, const juce::File& file, juce::String& errorMessage);

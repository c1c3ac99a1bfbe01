#include "PngFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace
{
    // 72 dots per inch.
    constexpr png_uint_32 pixelsPerMetre = 2835;

    png_time fixedTimeStamp()
    {
        png_time stamp {};
        stamp.year = 2024;
        stamp.month = 5;
        stamp.day = 1;
        stamp.hour = 12;
        return stamp;
    }

    std::vector<png_byte> rgbRows (const juce::Image& image)
    {
        const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);
        std::vector<png_byte> rows;
        rows.reserve (static_cast<size_t> (image.getWidth() * image.getHeight() * 3));

        for (int y = 0; y < image.getHeight(); ++y)
        {
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto colour = pixels.getPixelColour (x, y);
                rows.push_back (colour.getRed());
                rows.push_back (colour.getGreen());
                rows.push_back (colour.getBlue());
            }
        }
        return rows;
    }

    void reportPngError (png_structp png, png_const_charp message)
    {
        *static_cast<juce::String*> (png_get_error_ptr (png)) = message;
        png_longjmp (png, 1);
    }

    void ignorePngWarning (png_structp, png_const_charp) {}

    // Everything libpng may jump out of lives in this plain C-style function, so that a longjmp never
    // skips a C++ destructor.
    bool encode (FILE* out, const png_byte* rows, png_uint_32 width, png_uint_32 height, juce::String& errorMessage)
    {
        auto* png = png_create_write_struct (PNG_LIBPNG_VER_STRING, &errorMessage, reportPngError, ignorePngWarning);
        if (png == nullptr)
        {
            errorMessage = "libpng could not start";
            return false;
        }

        auto* info = png_create_info_struct (png);
        if (info == nullptr || setjmp (png_jmpbuf (png)) != 0)
        {
            png_destroy_write_struct (&png, &info);
            if (errorMessage.isEmpty())
                errorMessage = "libpng could not start";
            return false;
        }

        png_init_io (png, out);
        png_set_compression_level (png, 9);
        png_set_IHDR (png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                      PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_pHYs (png, info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
        auto stamp = fixedTimeStamp();
        png_set_tIME (png, info, &stamp);
        png_write_info (png, info);

        for (png_uint_32 y = 0; y < height; ++y)
            png_write_row (png, rows + static_cast<size_t> (y) * width * 3);

        png_write_end (png, nullptr);
        png_destroy_write_struct (&png, &info);
        return true;
    }
}

bool writeRgbPng (const juce::Image& image, const juce::File& file, juce::String& errorMessage)
{
    const auto rows = rgbRows (image);

    auto* out = std::fopen (file.getFullPathName().toRawUTF8(), "wb");
    if (out == nullptr)
    {
        errorMessage = "cannot open " + file.getFullPathName() + " for writing";
        return false;
    }

    const auto encoded = encode (out, rows.data(), static_cast<png_uint_32> (image.getWidth()),
                                 static_cast<png_uint_32> (image.getHeight()), errorMessage);
    const auto closed = std::fclose (out) == 0;

    if (encoded && ! closed)
        errorMessage = "cannot finish writing " + file.getFullPathName();
    return encoded && closed;
}

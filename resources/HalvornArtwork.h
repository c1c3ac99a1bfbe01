#pragma once

// The editor's five PNG images, compiled in byte for byte. Each size is the exact length of its file.

extern const unsigned char resource_resources_bmp00128_png[]; // window background, 430 x 110
extern const int resource_resources_bmp00128_png_size;
extern const unsigned char resource_resources_bmp00129_png[]; // knob film strip, 21 frames of 78 x 79
extern const int resource_resources_bmp00129_png_size;
extern const unsigned char resource_resources_bmp00130_png[]; // "Left" button, 2 frames of 19 x 17
extern const int resource_resources_bmp00130_png_size;
extern const unsigned char resource_resources_bmp00131_png[]; // "Right" button, 2 frames of 19 x 17
extern const int resource_resources_bmp00131_png_size;
extern const unsigned char resource_resources_bmp00132_png[]; // level slider thumb, 23 x 23
extern const int resource_resources_bmp00132_png_size;

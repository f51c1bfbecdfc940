// Writing a picture of 0x00RRGGBB (or 0xAARRGGBB) pixels as a PNG file.
#pragma once

#include <cstdint>
#include <string>

namespace qora::platform {

// Rows top to bottom, w pixels each; false when the file cannot be written.
bool write_png_rgb(const std::string& path, const uint32_t* px, int w, int h);

// The same with the top byte of each pixel as its opacity (255 opaque).
bool write_png_rgba(const std::string& path, const uint32_t* px, int w, int h);

}  // namespace qora::platform

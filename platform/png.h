// Writing a picture of 0x00RRGGBB pixels as a PNG file.
#pragma once

#include <cstdint>
#include <string>

namespace qora::platform {

// Rows top to bottom, w pixels each; false when the file cannot be written.
bool write_png_rgb(const std::string& path, const uint32_t* px, int w, int h);

}  // namespace qora::platform

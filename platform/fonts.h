// Where the font files of the installed families lie.
#pragma once

#include <string>

namespace qora::platform {

// The file (path) and face index of a scalable font of exactly that family in
// that style, or false when none is installed. The families asked for are the
// Liberation faces and a few others the game falls back on; where the system
// has the faces they stand in for (Times New Roman, Courier New, Arial), it
// may answer with those.
bool find_font(const std::string& family, bool bold, bool italic, std::string& path, int& index);

}  // namespace qora::platform

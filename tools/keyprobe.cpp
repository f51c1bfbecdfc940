// Opens the graphics window and prints every character READKEY returns as a
// decimal code, one per line, until Esc. Used to check the keyboard layer by
// hand and from the X server test. The window shows a blue field with a light
// red square at (20,20)-(119,119); after the first key the square's palette
// entry turns pure green, so a test can see palette repaints reach the screen.
//   keyprobe [640x480 | 800x600 | 1024x768 | full]
#include <cstdio>
#include <cstring>

#include <string>

#include "graph/graph.h"
#include "platform/script.h"

int main(int argc, char** argv) {
  using namespace qora;
  int16_t mode = M640X480;
  if (argc > 1) {
    if (std::strcmp(argv[1], "640x480") == 0) mode = M640X480;
    else if (std::strcmp(argv[1], "800x600") == 0) mode = M800X600;
    else if (std::strcmp(argv[1], "1024x768") == 0) mode = M1024X768;
    else if (std::strcmp(argv[1], "full") == 0) mode = MFULLSCR;
    else {
      std::fprintf(stderr, "usage: keyprobe [640x480|800x600|1024x768|full]\n");
      return 2;
    }
  }
  if (std::string err; !platform::script_load(err)) {
    std::fprintf(stderr, "keyprobe: %s\n", err.c_str());
    return 2;
  }
  int16_t driver = D4BIT;
  INITGRAPH(driver, mode, "keyprobe");
  if (GRAPHRESULT() != GROK || !GRAPHENABLED()) {
    std::fprintf(stderr, "keyprobe: cannot open the window (result %d)\n", GRAPHRESULT());
    return 1;
  }
  SETFILLSTYLE(SOLIDFILL, BLUE);
  BAR(0, 0, GETMAXX(), GETMAXY());
  SETFILLSTYLE(SOLIDFILL, LIGHTRED);
  BAR(20, 20, 119, 119);
  for (bool first = true;; first = false) {
    const auto c = static_cast<unsigned char>(READKEY());
    if (first) SETRGBPALETTE(uint16_t(LIGHTRED), 0, 255, 0);
    std::printf("%u\n", c);
    std::fflush(stdout);
    if (c == 27) break;
  }
  CLOSEGRAPH();
  return 0;
}

// The guard every public drawing routine opens with: it takes the drawing
// lock for the routine's duration, resets the result code and tells whether
// graphics are open (GRNOINITGRAPH otherwise).
#pragma once

#include <mutex>

#include "graph/surface_internal.h"

namespace qora::gfx {

class Drawing {
 public:
  Drawing() : lock_(S().devices) { S().result = S().open ? GROK : GRNOINITGRAPH; }
  explicit operator bool() const { return S().open; }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

 private:
  std::unique_lock<std::mutex> lock_;
};

inline Rect intersect(const Rect& a, const Rect& b) {
  return {a.x0 > b.x0 ? a.x0 : b.x0, a.y0 > b.y0 ? a.y0 : b.y0, a.x1 < b.x1 ? a.x1 : b.x1,
          a.y1 < b.y1 ? a.y1 : b.y1};
}

// A rectangle given corner to corner; GRINVALIDPARAM otherwise.
inline bool valid_rect(int x1, int y1, int x2, int y2) {
  if (x1 <= x2 && y1 <= y2) return true;
  S().result = GRINVALIDPARAM;
  return false;
}

inline Rect page_rect() { return {0, 0, S().width - 1, S().height - 1}; }

// The viewport origin, added to every coordinate a routine is given.
inline int origin_x() { return S().viewport.X1; }
inline int origin_y() { return S().viewport.Y1; }

}  // namespace qora::gfx

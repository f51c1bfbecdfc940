// The game's modal two-choice question.
#pragma once

#include <cstdint>
#include <string>

namespace qora {

// Asks STITLE with the two choices SASK1 (left) and SASK2 (right) over the
// front wall; returns 0 for the first and 1 for the second. Arrow keys,
// pointing, Space, Enter or a click choose; a click on the maker's label
// does not. Esc has no effect: no caller has a choice that Esc could safely
// stand for (the group editor's question would lose the teacher's work).
int32_t MESSAGEQUESTION(const std::string& STITLE, const std::string& SASK1,
                        const std::string& SASK2);

}  // namespace qora

// Between the game's rules for its tables (scorefiles.cpp) and the journaled
// store that keeps them (scorefiles_store.cpp). Not for other code: the rest
// of the game saves through tasks/scorefiles.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "state/types.h"
#include "tasks/scorefiles.h"

namespace qora::scorefiles {

// The two kinds of file a record can go to.
struct Kind {
  char tag;      // in the pending file's name
  size_t size;   // bytes per record
  size_t limit;  // records before the file is archived
};
inline constexpr Kind kScore{'s', sizeof(PLAYREC), MAXSCORE};
inline constexpr Kind kResult{'r', sizeof(RESULTREC), MAXRESULT};

// The kind of a pending file's tag, or nullptr.
const Kind* kind_of(char tag);

// The game's own tables of each kind: no pending file or journal entry makes
// the game write anything else.
bool game_table(const Kind& k, std::string_view table);

// Writes the record rec of kind k into a pending file beside the table fn and
// adds the folder's pending files to their tables when the lock is free.
Saved save(const std::string& fn, const Kind& k, std::string_view rec);

}  // namespace qora::scorefiles

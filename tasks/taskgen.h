// The task generator: fills the five targets of the next task.
#pragma once

namespace qora {

// Draws the right answer from the current selection (CURGRUPARR), four decoys
// from the element table and the place of the right target; fills COREL,
// NOWCORNOMBS, MISHEN, CORNO, USEDNOMBS and adds COREL to USEDCORNOMBS.
void TASKGEN();

}  // namespace qora

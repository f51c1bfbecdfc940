// The main menu: the program's home screen.
#pragma once

namespace qora {

// Runs the menu until item 9, Esc or the window's close button.
void MAINMENU();

}  // namespace qora

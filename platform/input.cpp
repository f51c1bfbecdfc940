#include "platform/input.h"

#include <atomic>

namespace qora::platform {

namespace {
std::atomic<KeyboardHook> g_keyboard{nullptr};
std::atomic<MouseHook> g_mouse{nullptr};
}  // namespace

void set_input_hooks(KeyboardHook keyboard, MouseHook mouse) {
  g_keyboard = keyboard;
  g_mouse = mouse;
}

void deliver(const KEYBOARDMESSAGE& m) {
  if (KeyboardHook h = g_keyboard.load()) h(m);
}

void deliver(const MOUSEMESSAGE& m) {
  if (MouseHook h = g_mouse.load()) h(m);
}

}  // namespace qora::platform

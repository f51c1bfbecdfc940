#include "platform/input.h"

#include <atomic>

namespace qora::platform {

namespace {
std::atomic<KeyboardHook> g_keyboard{nullptr};
std::atomic<MouseHook> g_mouse{nullptr};
std::atomic<InputTap*> g_tap{nullptr};
}  // namespace

void set_input_hooks(KeyboardHook keyboard, MouseHook mouse) {
  g_keyboard = keyboard;
  g_mouse = mouse;
}

void set_input_tap(InputTap* tap) { g_tap = tap; }

void deliver_to_hooks(const KEYBOARDMESSAGE& m) {
  if (KeyboardHook h = g_keyboard.load()) h(m);
}

void deliver_to_hooks(const MOUSEMESSAGE& m) {
  if (MouseHook h = g_mouse.load()) h(m);
}

void deliver(const KEYBOARDMESSAGE& m) {
  if (InputTap* t = g_tap.load(); t && t->take(m)) return;
  deliver_to_hooks(m);
}

void deliver(const MOUSEMESSAGE& m) {
  if (InputTap* t = g_tap.load(); t && t->take(m)) return;
  deliver_to_hooks(m);
}

}  // namespace qora::platform

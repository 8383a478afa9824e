#pragma once

// One key event: a virtual key code, the character it produces in UTF-8
// (zero-terminated, empty for keys without one) and the Shift, Control and
// Alt modifiers.
struct IKeyPress
{
  int VK = 0;
  char utf8[5] = {};
  bool S = false;
  bool C = false;
  bool A = false;
};

// Key codes of the Far Manager 1.70 editor that the plug-in sends and the hosts understand.
#pragma once

enum FarKeyCodes {
  KEY_CTRL = 0x01000000,
  KEY_ALT = 0x02000000,
  KEY_SHIFT = 0x04000000,
  KEY_TAB = 0x09,
  KEY_ENTER = 0x0D,
  KEY_ESC = 0x1B,
  KEY_END = 0x123,
  KEY_HOME = 0x124,
  KEY_LEFT = 0x125,
  KEY_UP = 0x126,
  KEY_RIGHT = 0x127,
  KEY_DOWN = 0x128,
  KEY_CTRLRIGHT = KEY_CTRL | KEY_RIGHT,
  KEY_CTRLSHIFTRIGHT = KEY_CTRL | KEY_SHIFT | KEY_RIGHT,
};

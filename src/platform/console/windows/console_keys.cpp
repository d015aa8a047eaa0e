// Console keys: key records into the program's one- and two-byte keys.
#include "platform/console/windows/console_keys.h"

namespace {

// A key that only changes the others (or the keyboard's locks) and is no key of its own.
bool ModifierOnly(WORD virtualKey) {
  switch (virtualKey) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
      return true;
    default:
      return false;
  }
}

// Alt held with a letter, and not AltGr (Ctrl with Alt), which types characters on many
// keyboards.
bool AltLetter(const KEY_EVENT_RECORD& record) {
  const DWORD state = record.dwControlKeyState;
  const bool alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
  const bool ctrl = (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0;
  return alt && !ctrl && record.wVirtualKeyCode >= 'A' && record.wVirtualKeyCode <= 'Z';
}

// Byte 0 and the key's scan code.
std::string ScanKey(WORD scanCode) {
  return std::string(1, '\0') + static_cast<char>(scanCode & 0xFF);
}

}  // namespace

// The character's byte, or 0 and the scan code; "" for releases, lone modifiers and records
// that name no key.
std::string KeyOfRecord(const KEY_EVENT_RECORD& record) {
  if (!record.bKeyDown || ModifierOnly(record.wVirtualKeyCode)) return "";
  if (AltLetter(record)) return ScanKey(record.wVirtualScanCode);
  const char character = record.uChar.AsciiChar;
  if (character != '\0') return std::string(1, character);
  // A console fed from a terminal (Wine's) gives Escape without its character.
  if (record.wVirtualKeyCode == VK_ESCAPE) return "\x1b";
  // A record naming no key at all (a terminal sequence the console did not know) is no key.
  if (record.wVirtualKeyCode == 0 && record.wVirtualScanCode == 0) return "";
  return ScanKey(record.wVirtualScanCode);
}

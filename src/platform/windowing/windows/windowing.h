// Windowing on Windows: the real user32 and shell32, and the few names the tray code uses
// beside them.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

// The window class record's size the system checks: 48 bytes on 32-bit Windows.
constexpr UINT WNDCLASSEXA_SIZE = sizeof(WNDCLASSEXA);

// Marks the one function the program exports by name (the window procedure).
#define PROGRAM_EXPORT __declspec(dllexport)

// A handle as the 32-bit number it is on 32-bit Windows, and a number back as a window handle:
// the hidden window's global holds either a handle or an error code.
template <typename Handle>
uint32_t HandleNumber(Handle handle) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}
inline HWND WindowOfNumber(uint32_t number) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
}

// Console menu: the titled, numbered list redrawn in place until the operator presses Enter.
#include "shell/console_menu.h"

#include <cstdint>

#include "platform/console/console.h"
#include "base/number_text.h"

// The position as the operator sees it: its digits without the sign's blank.
static std::string PositionText(int position) {
  std::string text = NumberText(position, 15);
  if (!text.empty() && text[0] == ' ') text.erase(0, 1);
  return text;
}

// Draws the numbered items from row 3, the selected one in reverse colours.
static void DrawItems(const std::vector<std::string>& items, int lower, int upper,
                      int16_t selected) {
  ConsoleLocate(3, 0);
  for (int position = lower; position <= upper; position++) {
    ConsoleColor(7, 0);
    ConsolePrint(PositionText(position) + " ");
    if (position == selected) {
      ConsoleColor(0, 7);
    } else {
      ConsoleColor(7, 0);
    }
    // A position the list does not hold shows as an empty item.
    const bool held = position >= 0 && static_cast<size_t>(position) < items.size();
    ConsolePrint(held ? items[static_cast<size_t>(position)] : std::string());
    ConsoleNewLine();
  }
}

// Clears the screen, shows title and prompt, and redraws the list every 100 ms until Enter.
void ShowMenu(const std::string& title, const std::string& prompt,
              const std::vector<std::string>& items, int lower, int upper) {
  ConsoleClear();
  ConsolePrint(title);
  ConsoleNewLine();
  ConsolePrint(prompt);
  ConsoleNewLine();
  const int16_t selected = static_cast<int16_t>(lower);
  bool drawn = false;
  std::string lastKey;
  while (lastKey != "\r") {
    // Plain lines (console text redirected) cannot be redrawn in place: the list goes out once.
    if (!drawn || ConsoleIsTerminal()) DrawItems(items, lower, upper, selected);
    drawn = true;
    lastKey = ConsoleInkey();
    SleepMilliseconds(100);
    // Without a keyboard (none at all, or one that hung up) Enter can never come.
    if (!ConsoleHasKeyboard()) break;
  }
}

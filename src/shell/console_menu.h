// Console menu: a titled list with the first item highlighted, until Enter.
#pragma once

#include <string>
#include <vector>

// items[lower..upper] are shown; positions outside are never read.
void ShowMenu(const std::string& title, const std::string& prompt,
              const std::vector<std::string>& items, int lower, int upper);

// Test command: one empty page on the configured printer.
#pragma once

void PrintTestPage();

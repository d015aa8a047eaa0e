// Capture file handling in run mode: find, print once, then delete or keep as unprinted.
#pragma once

#include "config/print_settings.h"

// Handles a capture file when one is present; does nothing otherwise.
void HandleCaptureFile(const PrintSettings& settings);

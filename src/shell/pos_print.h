// One-shot print: the capture file once, with the configured settings, not deleted.
#pragma once

void PrintCaptureFileOnce();

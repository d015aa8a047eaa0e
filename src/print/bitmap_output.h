// Bitmap output: a bitmap file or built-in picture drawn on the open print job at a grid cell,
// scaled to whole inches.
#pragma once

#include <cstdint>
#include <string>

// Draws the bitmap named (a file path with source 0, a built-in picture's name otherwise,
// at most 255 bytes kept) with its left edge at grid column `column` (0, or beyond the grid:
// the printer's left offset) and its top at the top of grid row `row`'s band (0: the band of
// the current line), `width` inches wide (at least 1) and `height` inches high (0 keeps the
// picture's proportions). The current line does not move and no page is started.
// 1 when drawn, 0 otherwise (no job, a printer that cannot stretch pictures, a picture that
// cannot be loaded or drawn), with a console message for each failure but the first.
int32_t PrintBitmap(const std::string& name, int32_t column, int32_t row, int32_t width,
                    int32_t height, int32_t source);

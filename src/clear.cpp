#include "clear.h"

#include <cstdio>

void Clear()
{
    // ANSI cursor position (row 1, column 1), then erase in display (whole
    // screen). Written whatever standard output is: a file receives the bytes.
    std::printf("\x1b[1;1H\x1b[2J");
}

#pragma once

// Moves the cursor to the top-left corner and erases the terminal.
void Clear();

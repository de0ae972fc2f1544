// LogLine, LogText: the program's one way to its debug log. Each call
// formats its text once and sends it to the debug output.
#pragma once

#include <windows.h>

// The program's usual line: `format` with its arguments, followed by
// ", at=[tick]\r\n".
void LogLine(LPCWSTR format, ...);

// A text of another shape (a banner, a line in parts), sent exactly as
// formatted.
void LogText(LPCWSTR format, ...);

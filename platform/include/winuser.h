// Host declarations of the winuser subset the program uses.
#pragma once

#include <windows.h>  // IWYU pragma: keep

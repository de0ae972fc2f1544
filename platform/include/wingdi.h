// Host declarations of the wingdi subset the program uses.
#pragma once

#include <windows.h>  // IWYU pragma: keep

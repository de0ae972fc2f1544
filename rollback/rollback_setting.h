// ReadRollbackStarts: the device maker's rollback setting, a text file whose
// line "starts=N" (N from 1 to 9) turns rollback on: the previous version is
// kept at an upgrade, and the new one is rolled back after N starts without
// a word of health from it. Its format is in key_value_formats.h.
#pragma once

#include <windows.h>

#include "key_value_formats.h"

// A device without the setting file: rollback is off.
constexpr int kRollbackOff = 0;
// The starts counted when the file is there but says nothing usable.
constexpr int kDefaultRollbackStarts = 3;
constexpr int kMaxRollbackStarts = 9;

// The number of counted starts, or kRollbackOff when there is no setting
// file. A file that cannot be read or holds no valid line gives one log line
// and kDefaultRollbackStarts. Changes nothing on the device.
int ReadRollbackStarts();

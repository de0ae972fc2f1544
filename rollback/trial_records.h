// The starts of a new version on trial: one empty file per start beside
// Trial.flag, Trial.1, Trial.2, ... Each start creates the next one, so the
// records on the flash are always Trial.1 up to the last start: a power cut
// keeps or loses a creation whole, and a counter is never rewritten in place.
#pragma once

#include <windows.h>

// How many starts are recorded: the records from Trial.1 on that are there
// without a gap.
int CountTrialStarts();

// Creates the record of start `number` (1 for the first). FALSE, with the
// platform's error left, when it cannot be created.
BOOL RecordTrialStart(int number);

// Removes every record; whether all are gone. A failure is logged.
BOOL RemoveTrialRecords();

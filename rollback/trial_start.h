// The trial of a new version at a boot that launches the main application:
// with rollback on, each such boot while Trial.flag is there records one
// more start; once the application has deleted Trial.flag, the records go
// and, on a keyed device, the release's security version becomes the floor.
#pragma once

#include <windows.h>

// Before the launch. TRUE when the version on trial has used up its starts
// without deleting Trial.flag: the launch gives way to the rollback.
BOOL TrialStartsUsedUp();

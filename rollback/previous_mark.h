// Previous.mark, the marker of a keeping in progress (previous_version.h):
// which items the old version had, one line each, "exe=B\r\nimages=B\r\n
// font=B\r\n" (B 1 or 0). Trial.flag names the items in the same lines.
#pragma once

#include <windows.h>

#include "kept_items.h"
#include "key_value_file.h"

// The marker's items when it is there and exactly one of the texts written.
BOOL ReadPreviousMark(bool (&items)[kItemCount]);

// The marker written and flushed; FALSE, with the platform's error left,
// when it cannot be.
BOOL WritePreviousMark(const bool (&items)[kItemCount]);

// The items' lines added to `writer`.
void PutItems(KeyValueWriter& writer, const bool (&items)[kItemCount]);

// The items of `values`, from the field `first` on.
void TakeItems(const KeyValues& values, int first, bool (&items)[kItemCount]);

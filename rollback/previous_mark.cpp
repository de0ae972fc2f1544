// ReadPreviousMark, WritePreviousMark: Previous.mark through the key=value
// reader and writer, and the item lines Trial.flag shares with it.
#include "previous_mark.h"

#include "key_value_formats.h"

static_assert(sizeof(kPreviousMarkFields) / sizeof(kPreviousMarkFields[0]) == kItemCount,
              "one line per item, in PreviousItem's order");

void PutItems(KeyValueWriter& writer, const bool (&items)[kItemCount]) {
    for (int item = 0; item < kItemCount; ++item) {
        writer.Put(kPreviousMarkFields[item].key, items[item] ? 1 : 0, KeyValueKind::kBit).EndLine();
    }
}

void TakeItems(const KeyValues& values, int first, bool (&items)[kItemCount]) {
    for (int item = 0; item < kItemCount; ++item) items[item] = values.numbers[first + item] != 0;
}

BOOL ReadPreviousMark(bool (&items)[kItemCount]) {
    KeyValues values;
    if (ReadKeyValueFile(kPreviousMark, kPreviousMarkFormat, &values) != KeyValueRead::kAccepted) return FALSE;
    TakeItems(values, 0, items);
    return TRUE;
}

BOOL WritePreviousMark(const bool (&items)[kItemCount]) {
    KeyValueWriter writer;
    PutItems(writer, items);
    return writer.WriteFlushed(kPreviousMark);
}

// The formats of the device's key=value files, read and written through
// key_value_file.h.
#pragma once

#include "key_value_file.h"

// Rollback.cfg, the device maker's: a line "starts=N" (N from 1 to 9) among
// any others, blanks and a "\r" around it allowed; no longer than 512 bytes.
constexpr DWORD kRollbackSettingMaxBytes = 512;
static_assert(kRollbackSettingMaxBytes <= kKeyValueTextMaxBytes, "the reader's room holds every setting");
inline constexpr KeyValueField kRollbackSettingFields[] = {{"starts", KeyValueKind::kStartCount}};
inline constexpr KeyValueFormat kRollbackSettingFormat =
    KeyValueFormatOf(kRollbackSettingFields, KeyValueLines::kFirstValidLine, kRollbackSettingMaxBytes);

// The device's own records are read as far as this, and must be exactly as
// written.
constexpr DWORD kRecordMaxBytes = 63;

// Floor.A and Floor.B: "sequence=S\r\nfloor=F\r\n".
inline constexpr KeyValueField kFloorRecordFields[] = {{"sequence", KeyValueKind::kDecimal},
                                                        {"floor", KeyValueKind::kDecimal}};
inline constexpr KeyValueFormat kFloorRecordFormat =
    KeyValueFormatOf(kFloorRecordFields, KeyValueLines::kExact, kRecordMaxBytes);

// Floor.next: "floor=F\r\n".
inline constexpr KeyValueField kTrialFloorFields[] = {{"floor", KeyValueKind::kDecimal}};
inline constexpr KeyValueFormat kTrialFloorFormat =
    KeyValueFormatOf(kTrialFloorFields, KeyValueLines::kExact, kRecordMaxBytes);

// Previous.mark: "exe=B\r\nimages=B\r\nfont=B\r\n", which items the old
// version had.
inline constexpr KeyValueField kPreviousMarkFields[] = {
    {"exe", KeyValueKind::kBit}, {"images", KeyValueKind::kBit}, {"font", KeyValueKind::kBit}};
inline constexpr KeyValueFormat kPreviousMarkFormat =
    KeyValueFormatOf(kPreviousMarkFields, KeyValueLines::kExact, kRecordMaxBytes);

// Trial.flag: "checksum=XXXXXXXX\r\npackage=NAME\r\n", then the items as in
// Previous.mark.
inline constexpr KeyValueField kTrialFlagFields[] = {
    {"checksum", KeyValueKind::kChecksum}, {"package", KeyValueKind::kName}, {"exe", KeyValueKind::kBit},
    {"images", KeyValueKind::kBit},        {"font", KeyValueKind::kBit}};
inline constexpr KeyValueFormat kTrialFlagFormat =
    KeyValueFormatOf(kTrialFlagFields, KeyValueLines::kExact, kKeyValueTextMaxBytes);
// Trial.flag's items begin at this field.
constexpr int kTrialFlagFirstItem = 2;

// Rejected.txt: one line per release rolled back, "checksum=XXXXXXXX
// package=NAME tick=N\r\n" ("checksum=unknown tick=N\r\n" when its
// Trial.flag did not name both), added at the end.

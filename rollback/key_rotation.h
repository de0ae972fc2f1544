// Key rotation: a package whose verified signature names next keys makes
// them the device's only trusted keys once it is installed.
//
// The trusted key file is never rewritten in place, and a device must never
// be left without keys, which would make it take unsigned packages. So the
// installation writes the next keys to \NandFlash\Merrow\Upgrade.next
// (flushed) before it removes the request; only after the request is gone
// does the old Upgrade.pub go (into Previous with rollback on, so that a
// rollback brings it back) and Upgrade.next take its name. A redo of the
// upgrade after a power cut before the request's removal still finds the
// old keys, which verify the package again. While Upgrade.pub is missing,
// Upgrade.next is in force; a boot that launches the application finishes
// a rotation that a power cut interrupted.
#pragma once

#include <windows.h>

// The key file that holds the trusted keys now: Upgrade.pub, or while a
// rotation is between its two moves, Upgrade.next. Upgrade.pub when neither
// is there (a device without keys).
LPCWSTR TrustedKeyFileInForce();

// TRUE when the device holds trusted keys in either file.
BOOL HoldsTrustedKeys();

// Installation, before the request is removed: the next keys (a trusted key
// file's bytes) written and flushed to Upgrade.next; with none (`size` 0),
// an Upgrade.next left by an interrupted upgrade of another package is
// removed. FALSE (logged) when that fails; the request then stays.
BOOL PrepareKeyRotation(const BYTE* nextKeys, DWORD size);

// After the request is gone: with an Upgrade.next waiting, the old
// Upgrade.pub is moved into Previous (`keepReplaced`) or deleted, and
// Upgrade.next becomes Upgrade.pub. `caller` names the log lines' function.
// FALSE (logged) when a step fails: the rotation is finished at the next
// boot that launches the application.
BOOL FinishKeyRotation(bool keepReplaced, LPCWSTR caller);

// A boot that launches the application: finishes a rotation a power cut
// interrupted, keeping the replaced keys with the previous version while a
// trial is on.
void ResumeKeyRotation();

// Rollback: keys kept in Previous come back as the trusted keys, through
// the same two moves. FALSE (logged) when a step fails; the rollback's redo
// finishes it.
BOOL RestorePreviousKeys();

// The searches of a boot that found nothing, and the programs it started,
// told on standard error when the boot ends: a program that gave up looking
// for a file then says nothing itself, and the host says where it looked
// and what it found there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// Notes how a FindFirstFileW of `pattern` came out. Only searches count: a
// wildcard in the last component (other than the listings "*" and "*.*"),
// or a folder probe ending in "\". A search that finds something later is
// forgotten; one repeated is noted once.
void NoteSearchOutcome(std::wstring_view pattern, bool found);

// Notes a program ShellExecuteExW started (its device path).
void NoteStartedProgram(const std::wstring& devicePath);

// The lines the end of the boot writes: one for each search that found
// nothing, then the programs started; none when every search found
// something.
std::vector<std::wstring> SearchReportLines();

// Forgets every noted search and program (tests, between cases).
void ForgetSearches();

}  // namespace host

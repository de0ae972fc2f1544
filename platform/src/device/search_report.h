// The searches of a boot that found nothing, and the programs it started,
// told on standard error when the boot ends: a program that gave up looking
// for a file then says nothing itself, and the host says where it looked
// and what it found there. Also the searches that matched several names of
// which the program took the first alone: it says nothing of the others,
// and the host names them all and the one taken.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// Notes how a FindFirstFileW of `pattern` came out: the names it matched,
// in the order it lists them; none when it found nothing. Only searches
// count: a wildcard in the last component (other than the listings "*" and
// "*.*"), or a folder probe ending in "\". A search that finds something
// later is forgotten; one repeated is noted once, with its latest matches.
void NoteSearchOutcome(std::wstring_view pattern, const std::vector<std::wstring>& matches);

// Notes a FindNextFileW on a search of `pattern`: its caller goes through
// the matches rather than taking the first, so several are no surprise.
void NoteSearchWentOn(std::wstring_view pattern);

// Notes a program ShellExecuteExW started (its device path).
void NoteStartedProgram(const std::wstring& devicePath);

// The lines the end of the boot writes: one for each search whose first
// match alone was taken of several; then one for each search that found
// nothing, and the programs started; none when every search found one
// match, or was gone through.
std::vector<std::wstring> SearchReportLines();

// Forgets every noted search and program (tests, between cases).
void ForgetSearches();

}  // namespace host

// The one point every change to the device's file system passes through.
#pragma once

namespace host {

// Called right before each change (create, write, delete, move, create or
// remove a folder, attribute or time change), so that a simulated power cut
// can stop the device between two changes.
void BeforeFileSystemChange();

// The number of changes begun since the process started.
unsigned long FileSystemChangeCount();

}  // namespace host

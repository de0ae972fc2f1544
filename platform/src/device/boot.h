// The one ending of a boot, whichever thread comes to it first.
#pragma once

namespace host {

// Returns to the first thread that ends the boot (and to it again); any
// other thread blocks here until the process exits. EndBoot claims it
// itself; a caller that must act before the ending (discard data at a power
// cut) claims it first.
void ClaimEndOfBoot();

}  // namespace host

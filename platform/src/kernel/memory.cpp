// LocalAlloc, LocalFree: fixed blocks from the host heap.
#include <cstdlib>
#include <cstring>

#include "error.h"
#include "ruvexa_host.h"

extern "C" HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    if (host::ShouldFail(host::Op::LocalAlloc)) return nullptr;
    // Only fixed memory is offered: a movable block would need LocalLock.
    if (uFlags & ~static_cast<UINT>(LMEM_FIXED | LMEM_ZEROINIT)) {
        host::Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A zero-byte request still yields a distinct block that LocalFree takes.
    void* block = std::malloc(uBytes != 0 ? uBytes : 1);
    if (!block) {
        host::Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (uFlags & LMEM_ZEROINIT) std::memset(block, 0, uBytes);
    return block;
}

extern "C" HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    std::free(hMem);
    return nullptr;
}

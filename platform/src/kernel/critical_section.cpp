// InitializeCriticalSection, EnterCriticalSection, LeaveCriticalSection,
// DeleteCriticalSection: a host recursive mutex behind the section's
// hCrit, so that the owning thread may enter again, as on the device.
#include <mutex>

#include <windows.h>

namespace {

std::recursive_mutex* MutexOf(LPCRITICAL_SECTION section) {
    return static_cast<std::recursive_mutex*>(section->hCrit);
}

}  // namespace

extern "C" void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    *lpCriticalSection = CRITICAL_SECTION{};
    lpCriticalSection->hCrit = new std::recursive_mutex;
}

extern "C" void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    MutexOf(lpCriticalSection)->lock();
    ++lpCriticalSection->LockCount;
}

extern "C" void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    --lpCriticalSection->LockCount;
    MutexOf(lpCriticalSection)->unlock();
}

extern "C" void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    delete MutexOf(lpCriticalSection);
    *lpCriticalSection = CRITICAL_SECTION{};
}

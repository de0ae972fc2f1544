// InterlockedExchange, InterlockedExchangeAdd: sequentially consistent
// atomics on the caller's 32-bit value.
#include <windows.h>

extern "C" LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

extern "C" LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

#include "AllocationCount.h"

#include <cstdlib>
#include <new>

namespace counted {
thread_local int t_allocations = 0;
std::atomic<long> g_allocations{0};
}  // namespace counted

#if TAMBORO_COUNT_ALLOCATIONS
void* operator new(std::size_t size) {
    ++counted::t_allocations;
    counted::g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#endif

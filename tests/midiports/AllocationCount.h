#pragma once

// Allocations counted per thread and in all, so that a test can tell whether another thread
// (the service's) allocated. AllocationCount.cpp replaces the global operator new: a test
// program that counts links it. The sanitizers bring their own allocator; there the count
// stays off.

#include <atomic>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TAMBORO_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TAMBORO_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef TAMBORO_COUNT_ALLOCATIONS
#define TAMBORO_COUNT_ALLOCATIONS 1
#endif

namespace counted {
extern thread_local int t_allocations;
extern std::atomic<long> g_allocations;  // every thread
}  // namespace counted

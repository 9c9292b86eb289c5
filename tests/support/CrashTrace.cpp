// A test program that dies of a signal prints its stack first, so that a crash seen once on a
// busy build machine leaves more behind than "SegFault". The sanitizers have their own reports
// and keep their handlers.
#include <execinfo.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <initializer_list>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TAMBORO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define TAMBORO_SANITIZED 1
#endif
#endif

#ifndef TAMBORO_SANITIZED
void PrintStack(int signal) {
    const char* name = ::strsignal(signal);
    (void)!::write(STDERR_FILENO, "\n*** ", 5);
    (void)!::write(STDERR_FILENO, name, std::strlen(name));
    (void)!::write(STDERR_FILENO, "; stack:\n", 9);
    void* frames[64];
    ::backtrace_symbols_fd(frames, ::backtrace(frames, 64), STDERR_FILENO);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

const bool installed = [] {
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(signal, PrintStack);
    return true;
}();
#endif

}  // namespace

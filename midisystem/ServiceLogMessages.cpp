#include "midisystem/ServiceLogMessages.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace midisystem {

namespace {

bool ShowServiceLogMessages() {
    const char* debug = std::getenv("TAMBORO_MIDI_DEBUG");
    return debug != nullptr && *debug != '\0' && std::strcmp(debug, "0") != 0;
}

// Called on whatever thread the library is on (JACK's own threads included): one write of a
// line formatted on the stack, nothing kept.
void Show(const char* library, const char* text) {
    if (!ShowServiceLogMessages()) return;
    char line[512];
    std::snprintf(line, sizeof line, "[%s] %s\n", library, text);
    std::fputs(line, stderr);
}

void AlsaError(const char* file, int line, const char* function, int error, const char* format,
               ...) {
    char text[400];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char where[480];
    std::snprintf(where, sizeof where, "%s:%d (%s) %s%s%s", file, line, function, text,
                  error != 0 ? ": " : "", error != 0 ? snd_strerror(error) : "");
    Show("ALSA", where);
}

void JackError(const char* text) {
    Show("JACK", text);
}

}  // namespace

void RouteServiceLogMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(&AlsaError);
        jack_set_error_function(&JackError);
        jack_set_info_function(&JackError);
    });
}

}  // namespace midisystem

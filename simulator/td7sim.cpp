// td7sim: the virtual TD-7 as a MIDI device on the system's MIDI service, for trying the
// editor without hardware and for tests that go through a real MIDI service.
#include <signal.h>

#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "simulator/NoteLog.h"
#include "simulator/SimOptions.h"
#include "simulator/SimPorts.h"
#include "simulator/VirtualTd7.h"

using namespace simulator;

namespace {

constexpr const char* kPortName = "TD-7 Simulator";

bool SaveMemory(VirtualTd7& module, const std::string& path) {
    if (path.empty()) return false;
    try {
        std::lock_guard lock(module.ModuleMutex());
        module.Module().SaveMemory(path);
        return true;
    } catch (const std::exception& error) {
        std::cerr << "td7sim: " << error.what() << std::endl;
        return false;
    }
}

// What the module lost, for whoever tries a transfer against it.
void ReportLosses(VirtualTd7& module) {
    int dropped = 0;
    {
        std::lock_guard lock(module.ModuleMutex());
        dropped = module.Module().DataSetsDropped();
    }
    const int queueFull = module.InputDropped();
    if (dropped > 0 || queueFull > 0)
        std::cerr << "td7sim: " << dropped << " data sets lost, " << queueFull
                  << " messages lost to a full input queue" << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    try {
        const std::vector<std::string_view> args(argv + 1, argv + argc);
        const char* api = std::getenv("TAMBORO_MIDI_API");
        options = ParseSimOptions(args, api ? api : "");
    } catch (const std::exception& error) {
        std::cerr << "td7sim: " << error.what() << "\n\n" << SimUsage();
        return 2;
    }
    if (options.help) {
        std::cout << SimUsage();
        return 0;
    }

    // Blocked before any thread starts, so that every thread inherits the mask and the
    // signals reach only the sigwait below.
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A reader that has gone away must not end the module: its output is only a courtesy.
    signal(SIGPIPE, SIG_IGN);

    std::optional<NoteLog> notes;
    if (!options.logNotes.empty()) {
        try {
            notes.emplace(options.logNotes);
        } catch (const std::exception& error) {
            std::cerr << "td7sim: " << error.what() << std::endl;
            return 1;
        }
    }

    SimPorts ports;
    std::optional<VirtualTd7> module;
    module.emplace([&ports](const std::uint8_t* data, std::size_t len) { ports.Send(data, len); },
                   options.deviceId);
    module->Apply(options);

    try {
        ports.Open(options.api, options.clientName, kPortName,
                   [&module, &notes](const std::uint8_t* data, std::size_t len) {
                       if (notes) notes->Write(data, len, NoteLog::Clock::now());
                       module->Send(data, len);
                   });
    } catch (const std::exception& error) {
        std::cerr << "td7sim: " << error.what();
        return 1;
    }
    std::cerr << "td7sim: ports \"" << kPortName << "\" open on " << ports.ApiName()
              << ", device ID " << int(options.deviceId) + 1 << std::endl;
    std::cout << "ready" << std::endl;

    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) continue;
        if (signal != SIGUSR1) break;
        if (SaveMemory(*module, options.memoryFile)) std::cout << "saved" << std::endl;
    }

    // Input first, so that nothing reaches the module while it stops; the module's thread
    // is joined before the output it answers through goes away.
    ports.CloseInput();
    SaveMemory(*module, options.memoryFile);
    ReportLosses(*module);
    module.reset();
    return 0;
}

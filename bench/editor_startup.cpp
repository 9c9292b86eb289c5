// One start of the editor, made as the program's main block makes it (application, splash,
// system MIDI service, the windows in their order, the main window shown), timed from a
// moment the caller took just before starting this process, and its peak resident memory.
// scripts/bench runs it many times and reports medians.
//
//   editor_startup --write-setup FILE      writes a full setup (67374 bytes) and ends
//   editor_startup DIR START_NS [--all-windows]
//       DIR holds tamboro.ini (its LastSetup is loaded at start); START_NS is CLOCK_REALTIME
//       in nanoseconds before the exec. With --all-windows every window is then shown once.
//       Prints "start_ms=<ms to the main window shown> peak_rss_kb=<KiB> jack_shm_kb=<KiB>",
//       the last being the part of the resident memory that is the JACK server's.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QTimer>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "editor/shell/AboutWindow.h"
#include "editor/shell/Application.h"
#include "editor/devices/DevicesWindow.h"
#include "editor/shell/EditorWindows.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/instrument/InstrumentWindow.h"
#include "editor/shell/MainWindow.h"
#include "editor/common/MessageBoxes.h"
#include "editor/transfers/ProgressWindow.h"
#include "editor/patch/QueryEmptyWindow.h"
#include "editor/system/SystemWindow.h"
#include "editor/transfers/ViewSysexWindow.h"
#include "simulator/Td7Module.h"
#include "td7/files/SetupFile.h"
#include "td7/session/SystemService.h"

namespace {

// The random memory of a simulated module as a setup file: every slot, the instruments
// and the system block present.
int WriteSetup(const char* path) {
    using simulator::BlockKind;
    simulator::Td7Module module;
    module.LoadRandom(7);
    std::ofstream out(path, std::ios::binary);
    out << td7::kSetupSignature;
    auto put = [&](int ordinal) {
        const auto message = module.DataSetOf(simulator::Td7Module::BlockAt(ordinal));
        out.write(reinterpret_cast<const char*>(message.data()),
                  static_cast<std::streamsize>(message.size()));
    };
    int k = 1;  // after the system block
    for (int p = 0; p < 32; ++p) {
        out.put(static_cast<char>(td7::kEntryPresent));
        for (int r = 0; r < 78; ++r) put(k++);
    }
    out.put(static_cast<char>(td7::kEntryPresent));
    while (k < simulator::Td7Module::kBlockCount) put(k++);
    out.put(static_cast<char>(td7::kEntryPresent));
    put(0);
    return out ? 0 : 1;
}

long long RealtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// The JACK server's shared memory that every JACK client maps (about 100 MiB with jackd's
// defaults): resident in each client's count, though it belongs to the server.
long JackShmRssKb() {
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    bool jack = false;
    long total = 0;
    while (std::getline(maps, line)) {
        if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) &&
            line.find('-') != std::string::npos && line.find(' ') > line.find('-'))
            jack = line.find("/dev/shm/jack") != std::string::npos;
        else if (jack && line.rfind("Rss:", 0) == 0)
            total += std::atol(line.c_str() + 4);
    }
    return total;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-setup") == 0) return WriteSetup(argv[2]);
    if (argc < 3) {
        std::fputs("usage: editor_startup DIR START_NS [--all-windows]\n", stderr);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const long long since = std::atoll(argv[2]);
    const bool allWindows = argc > 3 && std::strcmp(argv[3], "--all-windows") == 0;

    int qtArgc = 1;
    editor::Application application(qtArgc, argv);
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);  // a box would wait for a person
    editor::ErrorDisplay errors(boxes);
    application.SetErrorDisplay(&errors);

    editor::TfmAbout about;
    about.ShowSplash();
    QCoreApplication::processEvents();

    auto midi = td7::MakeSystemService();
    editor::TMainServices services;
    services.Midi = midi.get();
    services.Boxes = &boxes;
    services.Errors = &errors;
    services.ProgramDir = dir;
    services.SettingsFile = dir / "tamboro.ini";

    editor::TEditorWindows windows(services, about);
    windows.fmTamboro->show();
    QTimer::singleShot(0, [&] {
        const double startMs = static_cast<double>(RealtimeNs() - since) / 1e6;
        if (!windows.fmTamboro->FirstShowDone()) std::fputs("main window not shown\n", stderr);
        if (allWindows) {
            QWidget* secondary[] = {&about, windows.fmViewSysex.get(), windows.fmQueryEmpty.get(),
                                    windows.fmProgress.get(), windows.fmDevices.get()};
            for (QWidget* window : secondary) {
                window->show();
                QCoreApplication::processEvents();
                window->hide();
            }
        }
        for (const auto& box : boxes.Shown())
            std::fprintf(stderr, "box: %s\n", box.Text.toStdString().c_str());
        std::printf("start_ms=%.1f peak_rss_kb=%ld jack_shm_kb=%ld\n", startMs, PeakRssKb(),
                    JackShmRssKb());
        QCoreApplication::quit();
    });
    const int result = application.exec();
    application.SetErrorDisplay(nullptr);
    return result;
}

#pragma once

// The editor's command line, read before any window or display exists, so that --help and
// --version work on a machine without a screen.

#include <string>
#include <vector>

#include "simulator/SimOptions.h"

namespace editor {

enum class TCommandLineAction {
    Run,      // start the editor
    Help,     // print Text to standard output and end with 0
    Version,  // the same
    Refuse    // print Text to standard error and end with 2
};

struct TCommandLine {
    TCommandLineAction Action = TCommandLineAction::Run;
    std::string Text;
    // Plain arguments in their order; the first one names the setup to open.
    std::vector<std::string> Files;
    // --virtual-module: how the built-in Virtual TD-7 behaves, in td7sim's words.
    simulator::SimOptions VirtualModule;
    int ExitCode() const { return Action == TCommandLineAction::Refuse ? 2 : 0; }
};

// `arguments` without the program's name. Qt's own options ("-style fusion",
// "--platform=offscreen") are passed over: the toolkit takes them itself. After "--" every
// argument is a file, even one that starts with "-".
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();
std::string VersionLine();

}  // namespace editor

#include "editor/shell/CommandLine.h"

#include <algorithm>
#include <array>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "td7/settings/Version.h"

namespace editor {

namespace {

// The toolkit's options that take a value, and those that do not.
constexpr std::array<std::string_view, 15> kToolkitOptionsWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "style",         "stylesheet", "session",
    "display",     "geometry",           "name",          "title",      "visual"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "widgetcount", "nograb",
                                                           "dograb", "sync"};

bool Contains(const auto& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

TCommandLine Refuse(std::string_view what) {
    TCommandLine line;
    line.Action = TCommandLineAction::Refuse;
    line.Text = "tamboro: " + std::string(what) + "\nTry 'tamboro --help' for more information.\n";
    return line;
}

// td7sim's options for the built-in module, given as one argument ("--doubles --seed 3");
// those about ports and files have no meaning inside the editor.
std::optional<std::string> ReadVirtualModule(std::string_view text, simulator::SimOptions& out) {
    std::vector<std::string> words;
    std::istringstream stream{std::string(text)};
    for (std::string word; stream >> word;) words.push_back(word);
    std::vector<std::string_view> views(words.begin(), words.end());
    for (std::string_view word : views)
        if (word == "--api" || word == "--client-name" || word == "--memory-file" ||
            word == "--device-id" || word == "--help" || word == "-h")
            return "--virtual-module: " + std::string(word) +
                   " is not for the built-in Virtual TD-7 (start td7sim for it)";
    try {
        out = simulator::ParseSimOptions(views);
    } catch (const std::invalid_argument& error) {
        return "--virtual-module: " + std::string(error.what());
    }
    return std::nullopt;
}

}  // namespace

std::string HelpText() {
    return "Usage: tamboro [OPTION]... [SETUP.td7]\n"
           "Editor and librarian for the Roland TD-7 percussion sound module.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "      --virtual-module \"OPTIONS\"\n"
           "                 the built-in Virtual TD-7 behaves as td7sim does with these\n"
           "                 options, for example \"--doubles --crosstalk\" (a drummer with\n"
           "                 badly set-up triggers) or \"--store-ms 20\" (a module that needs\n"
           "                 time to store); see td7sim --help\n"
           "\n"
           "A setup file (.td7) named on the command line is opened at start; without one,\n"
           "the setup that was open at the last close is loaded again. The toolkit's own\n"
           "options (-style, -platform, ...) are accepted as well.\n"
           "\n"
           "In the windows, Edit > Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z, Ctrl+Y) take back\n"
           "and repeat every change, sending the module what the change sent; Edit > Copy\n"
           "(Ctrl+C) and Paste (Ctrl+V) carry a trigger's or note-map entry's settings to\n"
           "another. Patch > Trigger Check... listens to the kit and says which trigger\n"
           "parameter to turn. Help > Contents, or F1, explains every window.\n";
}

std::string VersionLine() {
    return std::string(td7::kApplicationTitle) + " " + td7::VersionNumber() + " (build " +
           std::to_string(td7::ProgramVersion().FileBuild) + ")\n";
}

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    TCommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            line.Files.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            line.Action = TCommandLineAction::Help;
            line.Text = HelpText();
            return line;
        }
        if (argument == "--version") {
            line.Action = TCommandLineAction::Version;
            line.Text = VersionLine();
            return line;
        }
        std::string_view name = argument.substr(argument[1] == '-' ? 2 : 1);
        const std::size_t equals = name.find('=');
        const bool inlineValue = equals != std::string_view::npos;
        if (inlineValue) name = name.substr(0, equals);
        if (name == "virtual-module") {
            if (!inlineValue && i + 1 == arguments.size())
                return Refuse("option '" + std::string(argument) + "' needs a value");
            const std::string_view value =
                inlineValue ? argument.substr(argument.find('=') + 1) : arguments[++i];
            if (auto refused = ReadVirtualModule(value, line.VirtualModule)) return Refuse(*refused);
            continue;
        }
        if (Contains(kToolkitFlags, name) && !inlineValue) continue;
        if (Contains(kToolkitOptionsWithValue, name)) {
            if (inlineValue) continue;
            if (i + 1 == arguments.size())
                return Refuse("option '" + std::string(argument) + "' needs a value");
            ++i;
            continue;
        }
        return Refuse("unknown option '" + std::string(argument) + "'");
    }
    return line;
}

}  // namespace editor

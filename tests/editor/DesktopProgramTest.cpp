// The editor's program run as a user runs it from a terminal, with no display at all:
// --help and --version answer without a window, unknown options are refused.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(int fd) {
    std::string text;
    std::array<char, 4096> buffer{};
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        text.append(buffer.data(), static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

// Runs the program with the environment minus everything that names a display or a Qt
// platform, so a window (or an attempt to open one) would fail the run.
ProgramRun RunProgram(std::vector<std::string> arguments) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("XAUTHORITY=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    arguments.insert(arguments.begin(), TAMBORO_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    ProgramRun run;
    // Both outputs are short; reading one to its end before the other cannot block.
    run.out = ReadAll(out[0]);
    run.err = ReadAll(err[0]);
    if (spawned != 0) return run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

TEST(DesktopProgram, HelpAndVersionPrintWithoutADisplay) {
    const ProgramRun help = RunProgram({"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("Usage: tamboro [OPTION]... [SETUP.td7]\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");

    const ProgramRun version = RunProgram({"some.td7", "--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "Tamboro 1.2 (build 16)\n");
}

TEST(DesktopProgram, AnUnknownOptionIsRefusedWithStatusTwo) {
    const ProgramRun run = RunProgram({"--frobnicate"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "tamboro: unknown option '--frobnicate'\n"
              "Try 'tamboro --help' for more information.\n");
}

}  // namespace

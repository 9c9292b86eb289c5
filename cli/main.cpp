// tamboro-cli: the editor's librarian on the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Dispatcher.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return cli::Run(args, std::cout, std::cerr);
}

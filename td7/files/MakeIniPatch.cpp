// Writes the default patch to the file named by the first argument, for the build to
// compile it into the program as the "iniPatch" resource. The tables in DefaultPatch.cpp
// stay the one place where its bytes are written down.

#include <cstdio>
#include <exception>

#include "td7/map/DefaultPatch.h"
#include "td7/files/FileIo.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_inipatch <output file>\n");
        return 2;
    }
    try {
        td7::ReplaceFile(argv[1], td7::DefaultPatchBytes());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_inipatch: %s\n", e.what());
        return 1;
    }
    return 0;
}

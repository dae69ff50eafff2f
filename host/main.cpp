// pdl-stream-filter: plays the print pipeline manager for the filter module on the command line.
// Before anything is parsed, the standard streams are made safe for job bytes; CUPS, which starts
// the program under its filter link's name, gets the CUPS filter without a subcommand.
#include <csignal>
#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "seam/Win32Seam.h"
#if !defined(_WIN32)
#include <iostream>

#include "host/cups/CupsCommand.h"
#endif

namespace {
// Job streams are bytes: no line-end translation on the standard streams.
void UseBinaryStandardStreams() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

// A closed standard descriptor would be taken by the next file opened, and a diagnostic meant for
// standard error would land in a print stream: each closed one gets the null device instead.
unsigned KeepStandardDescriptorsTaken() {
#if defined(_WIN32)
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    return input == nullptr || input == INVALID_HANDLE_VALUE ? 1u : 0u;
#else
    return CvOpenClosedStandardDescriptors();
#endif
}
}  // namespace

int main(int argc, char** argv) {
    const unsigned closedAtStart = KeepStandardDescriptorsTaken();
    UseBinaryStandardStreams();
#if !defined(_WIN32)
    // A file-size limit (ulimit -f) must fail the write that passes it, not kill the program
    // before it can remove its partial output, mark an Atrium job failed and say why.
    std::signal(SIGXFSZ, SIG_IGN);
    if (CupsCommand::IsFilterInvocation(argc, argv)) {
        return CupsCommand::Run(std::vector<std::string>(argv + 1, argv + argc), std::cerr,
                                closedAtStart);
    }
#endif
    return CommandLine(closedAtStart).Run(argc, argv);
}

// The program's command line: the subcommands and their options, parsed with CLI11, and the
// command each one runs. The rooms below know nothing of it; main() only makes the standard
// streams safe before it.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "host/commands/DecryptCommand.h"
#include "host/commands/RunCommand.h"

class CommandLine {
  public:
    // `closedAtStart` has bit 0 set when standard input was closed when the program started, bit
    // 1 for standard output.
    explicit CommandLine(unsigned closedAtStart);

    // Parses `argv` and runs the command it names; gives the program's exit code.
    int Run(int argc, char** argv);

  private:
    void AddRun();
    void AddDecrypt();
    void AddCups();
    void AddProbe();
    // The command that was parsed, with the cancellation and the stop message it needs.
    int Dispatch();

    unsigned closedAtStart;
    CLI::App app{"Runs print jobs through the PDL stream filter module."};
    CLI::App* runCommand = nullptr;
    CLI::App* decryptCommand = nullptr;
    CLI::App* cupsCommand = nullptr;
    RunOptions run;
    DecryptOptions decrypt;
    std::vector<std::string> cupsArguments;
    std::string modulePath;
};

// pdl-stream-filter: plays the print pipeline manager for the filter module on the command line.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "ActivationProbe.h"
#include "FilterModule.h"
#include "TextConversion.h"

namespace {
int RunProbe(const std::string& modulePath) {
    const auto path = modulePath.empty() ? FilterModule::PathBesideExecutable()
                                         : TextConversion::FromUtf8(modulePath);
    std::cout << "module " << TextConversion::ToUtf8(path) << "\n";
    const FilterModule module(path);
    return ActivationProbe(module).Run(std::cout) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Runs print jobs through the PDL stream filter module."};
    app.require_subcommand(1);
    std::string modulePath;
    CLI::App* probe = app.add_subcommand(
        "probe", "Load the filter module and activate its filter as the pipeline manager does.");
    probe->add_option("--module", modulePath,
                      "The filter module to load (default: the one beside this program)");
    CLI11_PARSE(app, argc, argv);
    try {
        return RunProbe(modulePath);
    } catch (const std::exception& failure) {
        std::cerr << "pdl-stream-filter: " << failure.what() << "\n";
        return 1;
    }
}

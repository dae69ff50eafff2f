// The probe command.
#include "host/commands/ProbeCommand.h"

#include "host/commands/ActivationProbe.h"
#include "host/job/ExitCodes.h"
#include "host/job/TextConversion.h"
#include "host/pipeline/FilterModule.h"

int ProbeCommand::Run(const std::string& modulePath, std::ostream& out) {
    const auto path = modulePath.empty() ? FilterModule::PathBesideExecutable()
                                         : TextConversion::FromUtf8(modulePath);
    out << "module " << TextConversion::ToUtf8(path) << "\n";
    const FilterModule module(path);
    return ActivationProbe(module).Run(out) ? ExitCode::kSucceeded : ExitCode::kOperationFailed;
}

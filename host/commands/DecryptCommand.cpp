// Decrypting a filter output.
#include "host/commands/DecryptCommand.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "companion/Utilities/CPException.h"
#include "companion/Utilities/CXString.h"
#include "companion/Utilities/MeridianDecryption.h"
#include "host/job/ExitCodes.h"
#include "host/job/HostFiles.h"
#include "host/job/JobFileError.h"
#include "host/job/PendingOutput.h"
#include "host/job/TextConversion.h"

namespace {
// Reading failed: the source throws it out of the decryptor, which cannot tell it from an end.
struct InputFailure {};
struct OutputFailure {};

// The filter output to decrypt: a file (not a directory) or standard input (not closed). The
// caller closes a file it gets.
std::FILE* OpenInput(const DecryptOptions& options) {
    if (options.input == "-") {
        if (options.standardInputClosed) {
            throw JobFileError("the input is standard input, which is closed");
        }
        return stdin;
    }
    const std::filesystem::path path(options.input);
    HostFiles::RefuseDirectory(path, "input");
    if (options.output == "-") {
        HostFiles::RefuseStandardStream(1, path, "input");
    }
    std::FILE* file = HostFiles::Open(path, false);
    if (file == nullptr) {
        throw JobFileError("cannot read the input " + options.input);
    }
    return file;
}

// A blank pass phrase encrypts nothing, so no section can be decrypted with one: such a phrase is
// a mistake of the command line, most often a pass phrase file that starts with a line end.
std::string PassPhrase(const DecryptOptions& options) {
    const std::string phrase =
        options.passPhraseFile
            ? HostFiles::FirstLine(HostFiles::ReadBounded(
                  *options.passPhraseFile, HostFiles::kPassPhraseFileLimit, "pass phrase file"))
            : options.passPhrase.value_or("");
    const HostFiles::PassPhraseFault fault = HostFiles::FaultOf(phrase);
    if (fault == HostFiles::PassPhraseFault::NotUtf8) {
        throw JobFileError("the pass phrase is not UTF-8 text");
    }
    if (fault == HostFiles::PassPhraseFault::Blank) {
        throw JobFileError(options.passPhraseFile
                               ? "the pass phrase file " + *options.passPhraseFile +
                                     " holds no pass phrase on its first line"
                               : std::string("the pass phrase is blank"));
    }
    return phrase;
}

// Where the plaintext goes, made before the work so that an output that cannot be created is
// known at once; none for standard output.
std::unique_ptr<PendingOutput> OpenOutput(const DecryptOptions& options) {
    if (options.output == "-") {
        if (options.standardOutputClosed) {
            throw JobFileError("the output is standard output, which is closed");
        }
        if (options.input == "-") {
            HostFiles::RefuseStandardStreamsOneFile();
        }
        return nullptr;
    }
    if (options.input != "-") {
        HostFiles::RefuseSameFile(options.output, "output", options.input, "input");
    } else {
        HostFiles::RefuseStandardStream(0, options.output, "output");
    }
    // The plaintext of an encrypted job: a new file of it is its owner's alone.
    return std::make_unique<PendingOutput>(std::filesystem::path(options.output), "output", true);
}

// Takes the plaintext as it verifies, in the blocks the decryptor hands over; a write that fails
// ends the decryption, since nothing after it could reach the output.
class PlainOutput {
  public:
    explicit PlainOutput(PendingOutput* pending)
        : pending(pending), file(pending == nullptr ? stdout : pending->File()) {
        // Records come in whole; a stdio buffer would only split each of them in two.
        std::setvbuf(file, nullptr, _IONBF, 0);
    }

    bool Write(const std::uint8_t* bytes, std::size_t count) {
        // An empty record comes with no bytes at all, which fwrite must not be handed.
        failed = failed || (count != 0 && std::fwrite(bytes, 1, count, file) != count);
        return !failed;
    }
    // Flushes standard output or puts the file into place; false when the last bytes cannot go.
    bool Finish() {
        if (pending == nullptr) {
            return !failed && std::fflush(stdout) == 0;
        }
        return !failed && pending->Commit();
    }

  private:
    PendingOutput* pending;
    std::FILE* file;
    bool failed = false;
};

// Decrypts `input` into `pending` (standard output when null); the exit code, and a message for a
// failure. A file output is left in place only by a run that decrypted everything.
int DecryptInto(const DecryptOptions& options, std::FILE* input, PendingOutput* pending,
                const CXString& passPhrase, std::ostream& errors) {
    PlainOutput output(pending);
    std::size_t firstVersionSections = 0;
    try {
        firstVersionSections = MeridianDecryption::Decrypt(
            [&](std::uint8_t* into, std::size_t room) {
                const std::size_t got = std::fread(into, 1, room, input);
                if (got == 0 && std::ferror(input)) {
                    throw InputFailure();
                }
                return got;
            },
            [&](const std::uint8_t* bytes, std::size_t count) {
                if (!output.Write(bytes, count)) {
                    throw OutputFailure();
                }
            },
            passPhrase);
    } catch (const CPException& failure) {
        errors << "pdl-stream-filter: cannot decrypt " << options.input << ": "
               << failure.getMessage() << "\n";
        return ExitCode::kOperationFailed;
    } catch (const InputFailure&) {
        errors << "pdl-stream-filter: cannot read the input " << options.input << "\n";
        return ExitCode::kOperationFailed;
    } catch (const OutputFailure&) {
    }
    if (!output.Finish()) {
        errors << "pdl-stream-filter: cannot write the output " << options.output << "\n";
        return ExitCode::kOperationFailed;
    }
    if (firstVersionSections != 0) {
        errors << "pdl-stream-filter: WARNING: " << options.input << " holds "
               << firstVersionSections
               << " encrypted sections of format version 1, which cannot show a section dropped, "
                  "repeated, moved or taken from another job\n";
    }
    return ExitCode::kSucceeded;
}
}  // namespace

int DecryptCommand::Run(const DecryptOptions& options, std::ostream& errors) {
    const auto closeFile = [](std::FILE* file) {
        if (file != stdin) {
            std::fclose(file);
        }
    };
    std::string passPhrase;
    std::unique_ptr<std::FILE, decltype(closeFile)> input(nullptr, closeFile);
    std::unique_ptr<PendingOutput> output;
    try {
        passPhrase = PassPhrase(options);
        input.reset(OpenInput(options));
        output = OpenOutput(options);
    } catch (const JobFileError& failure) {
        errors << "pdl-stream-filter: " << failure.what() << "\n";
        return ExitCode::kBadInvocation;
    }
    return DecryptInto(options, input.get(), output.get(),
                       CXString(TextConversion::FromUtf8(passPhrase)), errors);
}

// Decrypting a filter output.
#include "DecryptCommand.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "HostFiles.h"
#include "JobFile.h"
#include "RunCommand.h"
#include "TextConversion.h"
#include "companion/Utilities/CPException.h"
#include "companion/Utilities/MeridianDecryption.h"

namespace {
// The filter output to decrypt: a file (not a directory) or standard input (not closed).
std::string ReadInput(const DecryptOptions& options) {
    if (options.input == "-") {
        if (options.standardInputClosed) {
            throw JobFileError("the input is standard input, which is closed");
        }
        std::string bytes(std::istreambuf_iterator<char>(std::cin), {});
        if (std::cin.bad()) {
            throw JobFileError("cannot read standard input");
        }
        return bytes;
    }
    const std::filesystem::path path(options.input);
    HostFiles::RefuseDirectory(path, "input");
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw JobFileError("cannot read the input " + options.input);
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        throw JobFileError("cannot read the input " + options.input);
    }
    return text.str();
}

// A pass phrase file holds the phrase on its first line; the line end is not part of it.
std::string PassPhrase(const DecryptOptions& options) {
    if (!options.passPhraseFile) {
        return options.passPhrase.value_or("");
    }
    const std::string text = HostFiles::ReadBounded(
        *options.passPhraseFile, HostFiles::kPassPhraseFileLimit, "pass phrase file");
    const std::size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

// Where the plaintext goes, made before the work so that an output that cannot be created is
// known at once; none for standard output.
std::unique_ptr<PendingOutput> OpenOutput(const DecryptOptions& options) {
    if (options.output == "-") {
        if (options.standardOutputClosed) {
            throw JobFileError("the output is standard output, which is closed");
        }
        return nullptr;
    }
    if (options.input != "-") {
        HostFiles::RefuseSameFile(options.output, "output", options.input, "input");
    }
    return std::make_unique<PendingOutput>(std::filesystem::path(options.output), "output");
}

bool Write(PendingOutput* output, const std::string& bytes) {
    if (output == nullptr) {
        std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::cout.flush();
        return static_cast<bool>(std::cout);
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), output->File()) == bytes.size() &&
           output->Commit();
}
}  // namespace

int DecryptCommand::Run(const DecryptOptions& options, std::ostream& errors) {
    std::string passPhrase;
    std::string input;
    std::unique_ptr<PendingOutput> output;
    try {
        passPhrase = PassPhrase(options);
        input = ReadInput(options);
        output = OpenOutput(options);
    } catch (const JobFileError& failure) {
        errors << "pdl-stream-filter: " << failure.what() << "\n";
        return RunCommand::kBadInvocation;
    }
    std::string plain;
    try {
        plain = MeridianDecryption::DecryptStream(input,
                                                  CXString(TextConversion::FromUtf8(passPhrase)));
    } catch (const CPException& failure) {
        errors << "pdl-stream-filter: cannot decrypt " << options.input << ": "
               << failure.getMessage() << "\n";
        return RunCommand::kOperationFailed;
    }
    if (!Write(output.get(), plain)) {
        errors << "pdl-stream-filter: cannot write the output " << options.output << "\n";
        return RunCommand::kOperationFailed;
    }
    return RunCommand::kSucceeded;
}

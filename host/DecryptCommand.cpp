// Decrypting a filter output.
#include "DecryptCommand.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "RunCommand.h"
#include "TextConversion.h"
#include "companion/Utilities/CPException.h"
#include "companion/Utilities/MeridianDecryption.h"

namespace {
std::optional<std::string> ReadAll(const std::string& name) {
    if (name == "-") {
        return std::string(std::istreambuf_iterator<char>(std::cin), {});
    }
    std::ifstream file(std::filesystem::path(name), std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A pass phrase file holds the phrase on its first line; the line end is not part of it.
std::string FirstLine(const std::string& text) {
    const std::size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

bool Write(const std::string& name, const std::string& bytes) {
    if (name == "-") {
        std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::cout.flush();
        return static_cast<bool>(std::cout);
    }
    std::ofstream file(std::filesystem::path(name), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}
}  // namespace

int DecryptCommand::Run(const DecryptOptions& options, std::ostream& errors) {
    std::string passPhrase = options.passPhrase.value_or("");
    if (options.passPhraseFile) {
        const auto text = ReadAll(*options.passPhraseFile);
        if (!text) {
            errors << "pdl-stream-filter: cannot read the pass phrase file "
                   << *options.passPhraseFile << "\n";
            return RunCommand::kBadInvocation;
        }
        passPhrase = FirstLine(*text);
    }
    const auto input = ReadAll(options.input);
    if (!input) {
        errors << "pdl-stream-filter: cannot read the input " << options.input << "\n";
        return RunCommand::kBadInvocation;
    }
    std::string plain;
    try {
        plain = MeridianDecryption::DecryptStream(*input,
                                                  CXString(TextConversion::FromUtf8(passPhrase)));
    } catch (const CPException& failure) {
        errors << "pdl-stream-filter: cannot decrypt " << options.input << ": "
               << failure.getMessage() << "\n";
        return RunCommand::kOperationFailed;
    }
    if (!Write(options.output, plain)) {
        errors << "pdl-stream-filter: cannot write the output " << options.output << "\n";
        return RunCommand::kOperationFailed;
    }
    return RunCommand::kSucceeded;
}

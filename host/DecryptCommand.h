// `pdl-stream-filter decrypt`: a filter output with every encrypted section replaced by its
// plaintext. The whole output is read first: nothing is written unless every section decrypts.
#pragma once

#include <optional>
#include <ostream>
#include <string>

struct DecryptOptions {
    std::optional<std::string> passPhrase;
    std::optional<std::string> passPhraseFile;
    std::string input = "-";
    std::string output = "-";
};

class DecryptCommand {
  public:
    static int Run(const DecryptOptions& options, std::ostream& errors);
};

// `pdl-stream-filter decrypt`: a filter output with every encrypted section replaced by its
// plaintext. The whole output is read first: nothing is written unless every section decrypts,
// and an output file appears only complete.
#pragma once

#include <optional>
#include <ostream>
#include <string>

struct DecryptOptions {
    std::optional<std::string> passPhrase;
    std::optional<std::string> passPhraseFile;
    std::string input = "-";
    std::string output = "-";
    // The standard streams that were closed when the program started (then /dev/null stands in).
    bool standardInputClosed = false;
    bool standardOutputClosed = false;
};

class DecryptCommand {
  public:
    static int Run(const DecryptOptions& options, std::ostream& errors);
};

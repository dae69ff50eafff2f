// `pdl-stream-filter decrypt`: a filter output with every encrypted section replaced by its
// plaintext, streamed in bounded memory. An output file appears only when every section decrypted;
// standard output gets each record once it verified, and its bytes are void when the run fails.
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

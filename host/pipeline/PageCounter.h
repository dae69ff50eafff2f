// The pages of a job stream, counted as the filter reads it, so that a print server can account
// for them: PostScript's "%%Page:" comments at the start of a line, PCL XL's EndPage operators.
// Other languages (PDF, PCL) are not counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class PageCounter {
  public:
    // The stream's next bytes, in order.
    void Feed(const char* bytes, std::size_t count);
    // The pages seen; none when the stream is of no language this counts (or holds no page).
    std::optional<std::uint64_t> Pages();

  private:
    enum class Language { Undecided, PostScript, PclXl };
    // Decides the language once the first bytes (the PJL header among them) are in.
    void Decide();
    void FeedPostScript(const char* bytes, std::size_t count);
    void FeedPclXl(const unsigned char* bytes, std::size_t count);
    void SeekHeader(unsigned char byte);
    void Tag(unsigned char tag);
    // The bytes a tag needs after it are in `header`.
    void Complete();

    Language language = Language::Undecided;
    std::string head;
    std::uint64_t pages = 0;
    std::size_t matched = 0;
    bool seekingHeader = true;
    std::size_t headerMatched = 0;
    unsigned char tag = 0;
    std::string header;
    std::size_t wanted = 0;
    std::uint64_t skip = 0;
};

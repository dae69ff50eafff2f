// Tells, from outside the filter, which insertion items of a job reached the output: the job's
// items follow from its settings by the filter's own list rules; an item counts as inserted when
// the output holds its text (in front of its marker) more often than the input did. Both streams
// are watched block by block, so nothing is held but a few bytes per item.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/JobSettings.h"

class InsertionWitness {
  public:
    struct Item {
        DWORD type;
        // None when the output cannot tell: the item's marker lies in an encrypted section.
        std::optional<bool> inserted;
    };

    InsertionWitness(const JobSettings& settings, bool encrypted);

    void SeeInput(const char* bytes, std::size_t count);
    void SeeOutput(const char* bytes, std::size_t count);
    std::vector<Item> Items() const;

  private:
    // Counts the occurrences of one byte pattern in a stream fed in blocks.
    class Counter {
      public:
        explicit Counter(std::string pattern) : pattern(std::move(pattern)) {}
        void Feed(const char* bytes, std::size_t count);
        std::uint64_t Count() const noexcept { return count; }

      private:
        std::string pattern;
        std::string tail;
        std::uint64_t count = 0;
    };
    struct Watched {
        DWORD type;
        bool visible;
        Counter input;
        Counter output;
    };

    std::vector<Watched> watched;
};

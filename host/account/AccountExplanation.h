// The operation account for people: one line per decision, with the output offset where it
// happened, as `pdl-stream-filter run --explain` prints it.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

class AccountExplanation {
  public:
    using Json = nlohmann::ordered_json;

    // What a job's summary counts of the account.
    struct Tally {
        std::size_t items = 0;
        std::size_t inserted = 0;
        // Inserted items that went out inside the encrypted section.
        std::size_t encryptedItems = 0;
        std::size_t pagesWithFeatures = 0;
        std::size_t encryptedSections = 0;
    };
    static Tally Count(const std::vector<Json>& account);

    static void Write(const std::vector<Json>& account, std::ostream& out);
    // One record's line, without the offset column.
    static std::string Describe(const Json& record);
    // 1234567 as "1,234,567".
    static std::string Grouped(std::uint64_t number);
};

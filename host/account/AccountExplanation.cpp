// Explaining the account.
#include "host/account/AccountExplanation.h"

#include <iomanip>
#include <map>
#include <sstream>

namespace {
using Json = AccountExplanation::Json;

std::uint64_t Number(const Json& record, const char* field) {
    const auto found = record.find(field);
    return found != record.end() && found->is_number() ? found->get<std::uint64_t>() : 0;
}

std::string Text(const Json& record, const char* field) {
    const auto found = record.find(field);
    return found != record.end() && found->is_string() ? found->get<std::string>() : "";
}

std::string Bytes(std::uint64_t count) {
    return AccountExplanation::Grouped(count) + (count == 1 ? " byte" : " bytes");
}

std::string ItemKind(int type) {
    static const std::map<int, std::string> kinds = {
        {0, "PJL, before \"@PJL ENTER LANGUAGE\""},
        {1, "job-level PostScript, before \"%%EndSetup\""},
        {4, "DSC comments, before \"%%Title\""},
        {5, "at the start"},
        {6, "PCLm ticket, before \"%PCLm 1.0\""}};
    const auto found = kinds.find(type);
    return found != kinds.end() ? found->second : "type " + std::to_string(type);
}

std::string Item(const Json& r) {
    std::string line = "item " + std::to_string(Number(r, "index")) + " (" +
                       ItemKind(static_cast<int>(Number(r, "type"))) + ")";
    if (!r.value("inserted", false)) {
        return line + " not inserted";
    }
    line += " inserted, " + Bytes(Number(r, "length"));
    return r.value("encrypted", false) ? line + " (inside the encrypted section)" : line;
}

std::string PageFeatures(const Json& r) {
    const std::string page = "page " + std::to_string(Number(r, "page"));
    if (r.value("none", false)) {
        return page + ": no features" +
               (Number(r, "length") != 0 ? " (an empty page setup section)" : std::string());
    }
    return page + ": features, " + Bytes(Number(r, "length")) + " (" + Text(r, "generator") + ")";
}

std::string JobEnd(const Json& r) {
    const std::string trailer = Text(r, "trailer");
    if (trailer == "replacedClosingSequence") {
        return "job end: the closing PJL sequence replaced by the job trailer";
    }
    if (trailer == "appended") {
        return "job end: job trailer appended";
    }
    return "job end: no closing PJL sequence, no trailer";
}
}  // namespace

std::string AccountExplanation::Grouped(std::uint64_t number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

std::string AccountExplanation::Describe(const Json& r) {
    const std::string kind = Text(r, "record");
    if (kind == "item") {
        return Item(r);
    }
    if (kind == "pageFeatures") {
        return PageFeatures(r);
    }
    if (kind == "jobEnd") {
        return JobEnd(r);
    }
    if (kind == "directTicket") {
        std::string prefixes;
        for (const Json& prefix : r.value("prefixes", Json::array())) {
            prefixes += " " + prefix.get<std::string>();
        }
        return "ticket written first, " + Bytes(Number(r, "length")) +
               (prefixes.empty() ? "" : ", behind PJL" + prefixes);
    }
    if (kind == "languageSwitch") {
        return "language switch (input offset " + Grouped(Number(r, "inputOffset")) +
               "): the encrypted section opens behind it";
    }
    if (kind == "encryptedSection") {
        return "encrypted section " + std::to_string(Number(r, "number")) + ": " +
               Bytes(Number(r, "plaintextLength")) + " -> " + Bytes(Number(r, "ciphertextLength"));
    }
    if (kind == "xpsJobHeader") {
        return "encrypted-job header with the ticket, " + Bytes(Number(r, "length"));
    }
    if (kind == "staplingRemoved") {
        return "stapling block removed (input offset " + Grouped(Number(r, "inputOffset")) + ", " +
               Bytes(Number(r, "bytesRemoved")) + ")";
    }
    if (kind == "pageSetupDropped") {
        return "page " + std::to_string(Number(r, "page")) +
               ": its page setup section dropped (input offset " +
               Grouped(Number(r, "inputOffset")) + ", " + Bytes(Number(r, "length")) + ")";
    }
    if (kind == "pjlCommentDrop") {
        return Bytes(Number(r, "length")) + " in front of \"@PJL COMMENT\" dropped (input offset " +
               Grouped(Number(r, "inputOffset")) + ")";
    }
    if (kind == "directFax") {
        return "PJL JOB line switched to direct-fax mode";
    }
    if (kind == "graphicsGroupsRemoved") {
        return "outer graphics groups removed: " + std::to_string(Number(r, "count"));
    }
    if (kind == "printReadyPassThrough") {
        return "print-ready file passed through, " + Bytes(Number(r, "bytes")) +
               (r.value("deleted", false) ? ", then deleted" : ", not deleted");
    }
    if (kind == "atrium") {
        return "Atrium job folder " + Text(r, "jobFolder") + ": " + Text(r, "status") +
               (r.value("locked", false) ? " (locked: it could not be completed)" : "");
    }
    if (kind == "failure") {
        return "failed in the " + Text(r, "stage") + " with " + Text(r, "hresult") + ": " +
               Text(r, "message");
    }
    if (kind == "totals") {
        const std::uint64_t cycles = Number(r, "cycles");
        return "read " + Bytes(Number(r, "bytesRead")) + ", delivered " +
               Bytes(Number(r, "bytesDelivered")) + " in " + Grouped(cycles) +
               (cycles == 1 ? " cycle" : " cycles");
    }
    return r.dump();
}

void AccountExplanation::Write(const std::vector<Json>& account, std::ostream& out) {
    for (const Json& record : account) {
        const auto offset = record.find("outputOffset");
        const std::string column = offset != record.end() && offset->is_number()
                                       ? Grouped(offset->get<std::uint64_t>())
                                       : "";
        out << std::setw(12) << column << "  " << Describe(record) << "\n";
    }
}

AccountExplanation::Tally AccountExplanation::Count(const std::vector<Json>& account) {
    Tally tally;
    for (const Json& record : account) {
        const std::string kind = Text(record, "record");
        const bool inserted = kind == "item" && record.value("inserted", false);
        tally.items += kind == "item" ? 1 : 0;
        tally.inserted += inserted ? 1 : 0;
        tally.encryptedItems += inserted && record.value("encrypted", false) ? 1 : 0;
        tally.pagesWithFeatures += kind == "pageFeatures" && record.contains("generator") ? 1 : 0;
        tally.encryptedSections += kind == "encryptedSection" ? 1 : 0;
    }
    return tally;
}

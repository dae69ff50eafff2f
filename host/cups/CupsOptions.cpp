// The option names are CUPS's own (PPD options and their IPP attribute twins); a PPD option
// wins over its IPP twin, as cupsd gives the PPD's choice when both are set.
#include "host/cups/CupsOptions.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

namespace {
using Options = std::map<std::string, std::string>;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The value of the first of `names` that is given, with the name it came under.
std::optional<std::pair<std::string, std::string>> First(const Options& options,
                                                         std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (const auto found = options.find(name); found != options.end()) {
            return std::make_pair(found->first, found->second);
        }
    }
    return std::nullopt;
}

// The setting a value maps to; nullopt for a value the mapping does not know, "" for one that
// asks for nothing (the printer's default).
using Table = std::map<std::string, std::string>;

std::optional<std::string> Setting(const Options& options, std::initializer_list<const char*> names,
                                   const Table& table, std::vector<std::string>& ignored) {
    const auto given = First(options, names);
    if (!given) {
        return std::nullopt;
    }
    const auto found = table.find(Lower(given->second));
    if (found == table.end()) {
        ignored.push_back("the option " + given->first + "=" + given->second + " is not known");
        return std::nullopt;
    }
    return found->second;
}

// A media type named as a PostScript name can carry it: letters, digits, "_" and "-". The page
// code generator drops any other name, so it is left out here where the log can say so.
std::optional<std::string> MediaType(const Options& options, std::vector<std::string>& ignored) {
    const auto given = First(options, {"MediaType", "media-type"});
    if (!given || Lower(given->second) == "auto") {
        return std::nullopt;
    }
    const std::string_view nameBytes =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    if (given->second.empty() || given->second.find_first_not_of(nameBytes) != std::string::npos) {
        ignored.push_back("the option " + given->first + "=" + given->second + " names no type");
        return std::nullopt;
    }
    return "MediaType=" + given->second;
}

// "tray-2", "Tray2" and "2" are tray 2; "auto" asks for no tray.
std::optional<std::string> MediaPosition(const Options& options,
                                         std::vector<std::string>& ignored) {
    const auto given = First(options, {"InputSlot", "media-source"});
    if (!given) {
        return std::nullopt;
    }
    const std::string value = Lower(given->second);
    if (value == "auto") {
        return "";
    }
    const auto digits = value.find_first_of("0123456789");
    const std::string prefix = value.substr(0, digits);
    if (digits == std::string::npos || (prefix != "" && prefix != "tray" && prefix != "tray-") ||
        value.find_first_not_of("0123456789", digits) != std::string::npos ||
        value.size() - digits > 3) {
        ignored.push_back("the option " + given->first + "=" + given->second + " names no tray");
        return std::nullopt;
    }
    return "MediaPosition=" + std::to_string(std::stoi(value.substr(digits)));
}

// A text option: "\n" (backslash, n) ends a line; the last line is ended too.
std::string Lines(const Options& options, const char* name, const std::string& lineEnd) {
    const auto found = options.find(name);
    if (found == options.end() || found->second.empty()) {
        return "";
    }
    std::string text;
    const std::string& value = found->second;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
            text += lineEnd;
            ++i;
        } else {
            text += value[i];
        }
    }
    if (text.size() < lineEnd.size() ||
        text.compare(text.size() - lineEnd.size(), lineEnd.size(), lineEnd) != 0) {
        text += lineEnd;
    }
    return text;
}

bool IsTrue(const Options& options, const char* name) {
    const auto found = options.find(name);
    if (found == options.end()) {
        return false;
    }
    const std::string value = Lower(found->second);
    return value.empty() || value == "true" || value == "yes" || value == "on" || value == "1";
}

std::string CollateAndCopies(const Options& options, int copies) {
    const auto collate = First(options, {"Collate", "multiple-document-handling"});
    const std::string value = collate ? Lower(collate->second) : "false";
    const bool collated = value == "true" || value == "yes" || value == "on" || value.empty() ||
                          value == "separate-documents-collated-copies";
    std::string entries;
    if (collated) {
        entries += " /Collate true";
    }
    if (copies > 1) {
        entries += " /NumCopies " + std::to_string(copies);
    }
    return entries.empty() ? "" : "<<" + entries + " >> setpagedevice\n";
}
}  // namespace

CupsJobOptions CupsJobOptions::Map(const Options& options, int copies) {
    CupsJobOptions mapped;
    const Table duplex = {{"none", "Duplex=OneSided"},
                          {"one-sided", "Duplex=OneSided"},
                          {"duplexnotumble", "Duplex=TwoSidedLongEdge"},
                          {"two-sided-long-edge", "Duplex=TwoSidedLongEdge"},
                          {"duplextumble", "Duplex=TwoSidedShortEdge"},
                          {"two-sided-short-edge", "Duplex=TwoSidedShortEdge"}};
    const Table colour = {{"gray", "ColorMode=Monochrome"},
                          {"grayscale", "ColorMode=Monochrome"},
                          {"black", "ColorMode=Monochrome"},
                          {"monochrome", "ColorMode=Monochrome"},
                          {"process-monochrome", "ColorMode=Monochrome"},
                          {"bi-level", "ColorMode=Monochrome"},
                          {"rgb", "ColorMode=Color"},
                          {"cmyk", "ColorMode=Color"},
                          {"color", "ColorMode=Color"},
                          {"auto", ""}};
    std::vector<std::optional<std::string>> settings = {
        Setting(options, {"Duplex", "sides"}, duplex, mapped.ignored),
        MediaType(options, mapped.ignored), MediaPosition(options, mapped.ignored),
        Setting(options, {"ColorModel", "print-color-mode"}, colour, mapped.ignored)};
    for (const auto& setting : settings) {
        if (setting && !setting->empty()) {
            mapped.pageFeatures += (mapped.pageFeatures.empty() ? "" : ":") + *setting;
        }
    }
    mapped.pjl = Lines(options, "cv-pjl", "\r\n");
    mapped.jobLevelPs = CollateAndCopies(options, copies) + Lines(options, "cv-job-ps", "\n");
    mapped.jobLevelPsComments = Lines(options, "cv-job-ps-comments", "\n");
    mapped.removeStapling = IsTrue(options, "cv-remove-stapling");
    return mapped;
}

// The option names are CUPS's own (PPD options and their IPP attribute twins); a PPD option
// wins over its IPP twin, as cupsd gives the PPD's choice when both are set.
#include "host/cups/CupsOptions.h"

#include "host/cups/VendorText.h"

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

// "tray-2", "Tray2", "2" and "middle" are tray 2; "auto" asks for no tray.
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
    // The IPP keywords of a printer whose trays are numbered from the top.
    static const std::map<std::string, int> kNamed = {
        {"main", 1}, {"top", 1}, {"middle", 2}, {"bottom", 3}};
    if (const auto named = kNamed.find(value); named != kNamed.end()) {
        return "MediaPosition=" + std::to_string(named->second);
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

// A text option, as the PPD's custom option ("Custom.TEXT"; "None" asks for nothing) or under its
// own name. "\n" (backslash, n) ends a line; the last line is ended too.
std::string Lines(const Options& options, const char* ppdName, const char* name,
                  const std::string& lineEnd, VendorText::Syntax syntax) {
    std::string value;
    if (const auto custom = options.find(ppdName);
        custom != options.end() && custom->second.rfind("Custom.", 0) == 0) {
        value = custom->second.substr(7);
    } else if (const auto found = options.find(name); found != options.end()) {
        value = found->second;
    }
    if (value.empty()) {
        return "";
    }
    std::string text;
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
    VendorText::RefuseUnsafe(name, text, syntax);
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

bool Collated(const Options& options) {
    const auto collate = First(options, {"Collate", "multiple-document-handling"});
    const std::string value = collate ? Lower(collate->second) : "false";
    return value == "true" || value == "yes" || value == "on" || value.empty() ||
           value == "separate-documents-collated-copies";
}

std::string CollateAndCopies(const Options& options, int copies) {
    std::string entries;
    if (Collated(options)) {
        entries += " /Collate true";
    }
    if (copies > 1) {
        entries += " /NumCopies " + std::to_string(copies);
    }
    return entries.empty() ? "" : "<<" + entries + " >> setpagedevice\n";
}

// A page feature setting as the PJL a PCL XL printer takes for it.
std::string PjlOf(const std::string& setting) {
    static const std::map<std::string, std::string> kFixed = {
        {"Duplex=OneSided", "@PJL SET DUPLEX=OFF\r\n"},
        {"Duplex=TwoSidedLongEdge", "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=LONGEDGE\r\n"},
        {"Duplex=TwoSidedShortEdge", "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n"},
        {"ColorMode=Monochrome", "@PJL SET RENDERMODE=GRAYSCALE\r\n"},
        {"ColorMode=Color", "@PJL SET RENDERMODE=COLOR\r\n"}};
    if (const auto found = kFixed.find(setting); found != kFixed.end()) {
        return found->second;
    }
    const std::size_t equals = setting.find('=');
    const std::string name = setting.substr(0, equals);
    const std::string value = setting.substr(equals + 1);
    return name == "MediaPosition" ? "@PJL SET MEDIASOURCE=TRAY" + value + "\r\n"
                                   : "@PJL SET MEDIATYPE=" + value + "\r\n";
}

// The paper of a PCL XL job by its PPD or IPP name; what PJL cannot name is left out and said.
std::string PjlPaper(const Options& options, std::vector<std::string>& ignored) {
    const auto given = First(options, {"PageSize", "media"});
    if (!given) {
        return "";
    }
    static const std::map<std::string, std::string> kPapers = {
        {"a4", "A4"},
        {"iso_a4_210x297mm", "A4"},
        {"a5", "A5"},
        {"iso_a5_148x210mm", "A5"},
        {"a3", "A3"},
        {"iso_a3_297x420mm", "A3"},
        {"letter", "LETTER"},
        {"na_letter_8.5x11in", "LETTER"},
        {"legal", "LEGAL"},
        {"na_legal_8.5x14in", "LEGAL"},
        {"executive", "EXECUTIVE"},
        {"na_executive_7.25x10.5in", "EXECUTIVE"}};
    const auto found = kPapers.find(Lower(given->second));
    if (found == kPapers.end()) {
        ignored.push_back("the option " + given->first + "=" + given->second +
                          " names no paper the printer's PJL knows");
        return "";
    }
    return "@PJL SET PAPER=" + found->second + "\r\n";
}

std::string PjlCopies(const Options& options, int copies) {
    if (copies <= 1) {
        return "";
    }
    return (Collated(options) ? "@PJL SET QTY=" : "@PJL SET COPIES=") + std::to_string(copies) +
           "\r\n";
}

std::vector<std::string> Settings(const Options& options, std::vector<std::string>& ignored) {
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
                          {"auto-monochrome", "ColorMode=Monochrome"},
                          {"process-monochrome", "ColorMode=Monochrome"},
                          {"bi-level", "ColorMode=Monochrome"},
                          {"process-bi-level", "ColorMode=Monochrome"},
                          {"rgb", "ColorMode=Color"},
                          {"cmyk", "ColorMode=Color"},
                          {"color", "ColorMode=Color"},
                          {"auto", ""}};
    const std::optional<std::string> each[] = {
        Setting(options, {"Duplex", "sides"}, duplex, ignored), MediaType(options, ignored),
        MediaPosition(options, ignored),
        Setting(options, {"ColorModel", "print-color-mode"}, colour, ignored)};
    std::vector<std::string> settings;
    for (const auto& setting : each) {
        if (setting && !setting->empty()) {
            settings.push_back(*setting);
        }
    }
    return settings;
}
}  // namespace

CupsJobOptions CupsJobOptions::Map(const Options& options, const Request& request) {
    CupsJobOptions mapped;
    const std::vector<std::string> settings = Settings(options, mapped.ignored);
    // An earlier filter makes the copies of a PostScript queue's job (pstops, pdftops).
    // Ghostscript, which makes a PCL XL queue's, leaves them to the printer, as the PPD lets it:
    // they go in PJL.
    const bool pjl = request.language != Language::PostScript;
    const int copies = request.finished || pjl ? request.copies : 1;
    if (pjl) {
        for (const std::string& setting : settings) {
            mapped.pjl += PjlOf(setting);
        }
        mapped.pjl += PjlPaper(options, mapped.ignored) + PjlCopies(options, copies);
    } else {
        for (const std::string& setting : settings) {
            mapped.pageFeatures += (mapped.pageFeatures.empty() ? "" : ":") + setting;
        }
        if (request.finished) {
            mapped.jobLevelPs = CollateAndCopies(options, copies);
            if (const auto media = First(options, {"media"})) {
                mapped.ignored.push_back("the option media=" + media->second +
                                         " cannot be honoured: a finished job keeps the page "
                                         "size it was made for");
            }
        }
    }
    mapped.pjl += Lines(options, "cvPjl", "cv-pjl", "\r\n", VendorText::Syntax::Pjl);
    mapped.jobLevelPs +=
        Lines(options, "cvJobPs", "cv-job-ps", "\n", VendorText::Syntax::PostScript);
    mapped.jobLevelPsComments = Lines(options, "cvDscComments", "cv-job-ps-comments", "\n",
                                      VendorText::Syntax::DscComments);
    mapped.removeStapling =
        IsTrue(options, "cv-remove-stapling") || IsTrue(options, "cvRemoveStapling");
    return mapped;
}

Options CupsJobOptions::WithDefaults(Options options, const Options& defaults) {
    static const std::map<std::string, std::string> kTwins = {
        {"Duplex", "sides"},
        {"InputSlot", "media-source"},
        {"MediaType", "media-type"},
        {"ColorModel", "print-color-mode"},
        {"Collate", "multiple-document-handling"},
        {"PageSize", "media"},
        {"PageRegion", "media"},
        {"cvPjl", "cv-pjl"},
        {"cvJobPs", "cv-job-ps"},
        {"cvDscComments", "cv-job-ps-comments"},
        {"cvRemoveStapling", "cv-remove-stapling"}};
    for (const auto& [name, choice] : defaults) {
        const auto twin = kTwins.find(name);
        if (options.count(name) != 0 ||
            (twin != kTwins.end() && options.count(twin->second) != 0)) {
            continue;
        }
        options.emplace(name, choice);
    }
    return options;
}

void CupsJobOptions::AddTo(JobFile& job) const {
    for (const auto& [property, text] :
         {std::pair<const char*, const std::string&>{"Corvo_PjlToInsert", pjl},
          {"Corvo_JobLevelPsToInsert", jobLevelPs},
          {"Corvo_JobLevelPsCommentsToInsert", jobLevelPsComments}}) {
        if (!text.empty()) {
            job.properties.emplace_back(property, text);
        }
    }
    if (removeStapling) {
        job.properties.emplace_back("RemoveNativeStaplingFlag", nullptr);
    }
    if (!pageFeatures.empty()) {
        job.everyPageFeatures = pageFeatures;
    }
}

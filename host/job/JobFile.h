// The job file of `pdl-stream-filter run`: what the pipeline, the driver and the spooler know of
// one job, as JSON. Every key is checked: an unknown key or a value of the wrong type is an error
// that names the key.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/job/JobFileError.h"

struct JobFile {
    // A pipeline property: text (VT_BSTR), integer (VT_I4), boolean (VT_BOOL) or null (VT_EMPTY).
    using PropertyValue = std::variant<std::string, std::int32_t, bool, std::nullptr_t>;

    struct Driver {
        std::int32_t pdl = 5001;
        bool printStreamQFCICompliant = false;
        bool fullQpifSupported = false;
        bool requiresGreenSeparatorPageFixUp = false;
        bool requiresBothPjlAndQcpt = false;
        std::int32_t controllerFamily = 0;
        std::string productPdlDataXml{};
        std::string extensionPackageFolder{};
    };
    struct Printer {
        std::string name = "PDL Stream Filter";
        bool separatorPageSelected = false;
        std::map<std::string, std::uint32_t> printerData;
    };
    struct Job {
        std::uint32_t id = 1;
        std::string documentName;
        std::string userName;
        std::string samCompatibleName;
    };

    // Paths as the file gives them, made relative to the job file's folder.
    std::optional<std::filesystem::path> input;
    std::optional<std::filesystem::path> output;
    std::vector<std::pair<std::string, PropertyValue>> properties;
    // The feature settings of every page that has no "PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_<n>" of
    // its own, as a print server gives one job's options to all its pages.
    std::optional<std::string> everyPageFeatures;
    // The document's page setup is its own (a document no driver made): the filter keeps each
    // page's setup section and puts the page's features at its start.
    bool keepPageSetup = false;
    std::optional<Driver> driver;
    Printer printer;
    Job job;
    std::map<std::int32_t, std::int32_t> clientJobData;
    std::optional<std::filesystem::path> programData;

    // Throws JobFileError.
    static JobFile Load(const std::filesystem::path& path);
    static JobFile Parse(const std::string& text, const std::filesystem::path& folder);
    // The client job data as the filter reads it: "601=3;603=8635".
    std::string ClientJobDataText() const;
};

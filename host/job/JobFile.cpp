// Reading and checking the job file.
#include "host/job/JobFile.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "host/job/HostFiles.h"
#include "host/job/TextConversion.h"

namespace {
using Json = nlohmann::json;

// No job file nests deeper than three levels; deeper nesting only costs memory before it fails.
constexpr int kDeepestNesting = 16;
// Page feature settings as a driver gives them run to a few dozen; the bounds keep the filter's
// work per page small, as every page is given them again.
constexpr std::size_t kMostPageFeatureSettings = 1024;
constexpr std::size_t kLongestPageFeatureText = 64 * 1024;

[[noreturn]] void Fail(const std::string& key, const std::string& problem) {
    throw JobFileError("\"" + key + "\": " + problem);
}

// Calls the handler of each key of an object; a key without a handler is an error.
void ForEachKey(
    const Json& object, const std::string& where,
    const std::map<std::string, std::function<void(const Json&, const std::string&)>>& handlers) {
    if (!object.is_object()) {
        Fail(where, "expected an object");
    }
    for (const auto& [key, value] : object.items()) {
        const std::string path = where.empty() ? key : where + "." + key;
        const auto handler = handlers.find(key);
        if (handler == handlers.end()) {
            Fail(path, "unknown key");
        }
        handler->second(value, path);
    }
}

std::string Text(const Json& value, const std::string& key) {
    if (!value.is_string()) {
        Fail(key, "expected a string");
    }
    return value.get<std::string>();
}

bool Flag(const Json& value, const std::string& key) {
    if (!value.is_boolean()) {
        Fail(key, "expected true or false");
    }
    return value.get<bool>();
}

std::int64_t Integer(const Json& value, const std::string& key, std::int64_t lowest,
                     std::int64_t highest) {
    if (!value.is_number_integer() ||
        (value.is_number_unsigned() &&
         value.get<std::uint64_t>() > static_cast<std::uint64_t>(highest)) ||
        value.get<std::int64_t>() < lowest || value.get<std::int64_t>() > highest) {
        Fail(key, "expected an integer from " + std::to_string(lowest) + " to " +
                      std::to_string(highest));
    }
    return value.get<std::int64_t>();
}

std::int32_t Int32(const Json& value, const std::string& key) {
    return static_cast<std::int32_t>(Integer(value, key, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max()));
}

std::uint32_t UInt32(const Json& value, const std::string& key) {
    return static_cast<std::uint32_t>(
        Integer(value, key, 0, std::numeric_limits<std::uint32_t>::max()));
}

std::string PageFeatures(const Json& value, const std::string& key) {
    std::string text = Text(value, key);
    const std::size_t settings = std::count(text.begin(), text.end(), ':') + 1;
    if (text.size() > kLongestPageFeatureText || settings > kMostPageFeatureSettings) {
        Fail(key, "page feature settings are at most " + std::to_string(kMostPageFeatureSettings) +
                      " settings in " + std::to_string(kLongestPageFeatureText) + " bytes (" +
                      std::to_string(settings) + " in " + std::to_string(text.size()) + ")");
    }
    return text;
}

JobFile::PropertyValue Property(const Json& value, const std::string& key,
                                const std::string& name) {
    if (value.is_string() && name.rfind("PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_", 0) == 0) {
        return PageFeatures(value, key);
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_boolean()) {
        return value.get<bool>();
    }
    if (value.is_null()) {
        return nullptr;
    }
    if (!value.is_number_integer()) {
        Fail(key, "expected a string, a 32-bit integer, true, false or null");
    }
    return Int32(value, key);
}

JobFile::Driver ParseDriver(const Json& object, const std::string& where) {
    JobFile::Driver d;
    ForEachKey(
        object, where,
        {{"pdl", [&](const Json& v, const std::string& k) { d.pdl = Int32(v, k); }},
         {"printStreamQFCICompliant",
          [&](const Json& v, const std::string& k) { d.printStreamQFCICompliant = Flag(v, k); }},
         {"fullQpifSupported",
          [&](const Json& v, const std::string& k) { d.fullQpifSupported = Flag(v, k); }},
         {"requiresGreenSeparatorPageFixUp",
          [&](const Json& v, const std::string& k) {
              d.requiresGreenSeparatorPageFixUp = Flag(v, k);
          }},
         {"requiresBothPjlAndQcpt",
          [&](const Json& v, const std::string& k) { d.requiresBothPjlAndQcpt = Flag(v, k); }},
         {"controllerFamily",
          [&](const Json& v, const std::string& k) { d.controllerFamily = Int32(v, k); }},
         {"productPdlDataXml",
          [&](const Json& v, const std::string& k) { d.productPdlDataXml = Text(v, k); }},
         {"extensionPackageFolder",
          [&](const Json& v, const std::string& k) { d.extensionPackageFolder = Text(v, k); }}});
    return d;
}

JobFile::Printer ParsePrinter(const Json& object, const std::string& where) {
    JobFile::Printer p;
    ForEachKey(
        object, where,
        {{"name", [&](const Json& v, const std::string& k) { p.name = Text(v, k); }},
         {"separatorPageSelected",
          [&](const Json& v, const std::string& k) { p.separatorPageSelected = Flag(v, k); }},
         {"printerData", [&](const Json& v, const std::string& k) {
              if (!v.is_object()) {
                  Fail(k, "expected an object");
              }
              for (const auto& [name, value] : v.items()) {
                  p.printerData[name] = UInt32(value, k + "." + name);
              }
          }}});
    return p;
}

JobFile::Job ParseJob(const Json& object, const std::string& where) {
    JobFile::Job j;
    ForEachKey(object, where,
               {{"id", [&](const Json& v, const std::string& k) { j.id = UInt32(v, k); }},
                {"documentName",
                 [&](const Json& v, const std::string& k) { j.documentName = Text(v, k); }},
                {"userName", [&](const Json& v, const std::string& k) { j.userName = Text(v, k); }},
                {"samCompatibleName",
                 [&](const Json& v, const std::string& k) { j.samCompatibleName = Text(v, k); }}});
    return j;
}

std::map<std::int32_t, std::int32_t> ParseClientJobData(const Json& object,
                                                        const std::string& where) {
    if (!object.is_object()) {
        Fail(where, "expected an object");
    }
    std::map<std::int32_t, std::int32_t> parameters;
    for (const auto& [name, value] : object.items()) {
        const auto id = TextConversion::WholeNumber(name, std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
        if (!id) {
            Fail(where + "." + name, "a parameter is named by its number");
        }
        parameters[static_cast<std::int32_t>(*id)] = Int32(value, where + "." + name);
    }
    return parameters;
}

std::string KeyPath(const std::vector<std::string>& keys) {
    std::string key;
    for (const std::string& part : keys) {
        key += (key.empty() ? "" : ".") + part;
    }
    return key;
}

// Parses with the keys in force tracked, so that a value JSON cannot hold (a number such as
// 1e400) is named by its key. A key given twice in one object is refused: JSON keeps one of the
// two silently, and a second empty "properties" would drop a pass phrase.
Json ParseDocument(const std::string& text) {
    std::vector<std::string> keys;
    std::vector<std::set<std::string>> seen;
    const Json::parser_callback_t track = [&keys, &seen](int depth, Json::parse_event_t event,
                                                         Json& parsed) {
        if ((event == Json::parse_event_t::object_start ||
             event == Json::parse_event_t::array_start) &&
            depth >= kDeepestNesting) {
            throw JobFileError("not a job file: nested more than " +
                               std::to_string(kDeepestNesting) + " levels deep");
        }
        if (event == Json::parse_event_t::object_start) {
            seen.resize(static_cast<std::size_t>(depth) + 1);
            seen.back().clear();
        }
        if (event == Json::parse_event_t::key && depth > 0) {
            keys.resize(static_cast<std::size_t>(depth));
            keys.back() = parsed.get<std::string>();
            if (!seen[static_cast<std::size_t>(depth) - 1].insert(keys.back()).second) {
                Fail(KeyPath(keys), "given twice");
            }
        }
        return true;
    };
    try {
        return Json::parse(text, track, true, true);
    } catch (const Json::parse_error& error) {
        throw JobFileError(std::string("not JSON: ") + error.what());
    } catch (const Json::exception& error) {
        Fail(KeyPath(keys), std::string("a value JSON cannot hold: ") + error.what());
    }
}
}  // namespace

JobFile JobFile::Parse(const std::string& text, const std::filesystem::path& folder) {
    const Json document = ParseDocument(text);
    JobFile job;
    const auto path = [&](const Json& v, const std::string& k) {
        return (folder / Text(v, k)).lexically_normal();
    };
    ForEachKey(
        document, "",
        {{"input", [&](const Json& v, const std::string& k) { job.input = path(v, k); }},
         {"output", [&](const Json& v, const std::string& k) { job.output = path(v, k); }},
         {"properties",
          [&](const Json& v, const std::string& k) {
              if (!v.is_object()) {
                  Fail(k, "expected an object");
              }
              for (const auto& [name, value] : v.items()) {
                  job.properties.emplace_back(name, Property(value, k + "." + name, name));
              }
          }},
         {"everyPageFeatures",
          [&](const Json& v, const std::string& k) { job.everyPageFeatures = PageFeatures(v, k); }},
         {"keepPageSetup",
          [&](const Json& v, const std::string& k) { job.keepPageSetup = Flag(v, k); }},
         {"driver", [&](const Json& v, const std::string& k) { job.driver = ParseDriver(v, k); }},
         {"printer",
          [&](const Json& v, const std::string& k) { job.printer = ParsePrinter(v, k); }},
         {"job", [&](const Json& v, const std::string& k) { job.job = ParseJob(v, k); }},
         {"clientJobData",
          [&](const Json& v, const std::string& k) {
              job.clientJobData = ParseClientJobData(v, k);
          }},
         {"programData",
          [&](const Json& v, const std::string& k) { job.programData = path(v, k); }}});
    return job;
}

JobFile JobFile::Load(const std::filesystem::path& path) {
    const std::string text = HostFiles::ReadBounded(path, HostFiles::kJobFileLimit, "job file");
    try {
        return Parse(text, path.parent_path());
    } catch (const JobFileError& error) {
        throw JobFileError(path.string() + ": " + error.what());
    }
}

std::string JobFile::ClientJobDataText() const {
    std::string text;
    for (const auto& [id, value] : clientJobData) {
        text += (text.empty() ? "" : ";") + std::to_string(id) + "=" + std::to_string(value);
    }
    return text;
}

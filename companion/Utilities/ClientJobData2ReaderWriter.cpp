// Client job data from the spooler or the pipeline.
#include "ClientJobData2ReaderWriter.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

#include "PipelineProperty.h"
#include "seam/JobNamedProperties.h"

namespace {
using WideText = std::basic_string<WCHAR>;

std::optional<WideText> FromSpooler(HANDLE printer, DWORD jobId) {
    if (printer == nullptr) {
        return std::nullopt;
    }
    PrintPropertyValue value{};
    const DWORD result = seam::GetJobNamedPropertyValue(
        printer, jobId, ClientJobData2ReaderWriter::kPropertyName, &value);
    if (result != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<WideText> text;
    if (value.ePropertyType == kPropertyTypeString && value.value.propertyString != nullptr) {
        text = WideText(value.value.propertyString);
    }
    seam::FreePrintPropertyValue(&value);
    return text;
}

std::optional<WideText> FromPipeline(IPrintPipelinePropertyBag* bag) {
    const std::optional<CXString> text =
        PipelineProperty(bag, ClientJobData2ReaderWriter::kPropertyName).String();
    if (!text) {
        return std::nullopt;
    }
    return WideText(text->GetString(), static_cast<std::size_t>(text->GetLength()));
}

WideText Trimmed(const WideText& text) {
    const auto first = text.find_first_not_of(WIDE(" \t"));
    if (first == WideText::npos) {
        return WideText();
    }
    return text.substr(first, text.find_last_not_of(WIDE(" \t")) - first + 1);
}

std::optional<LONG> NumberOf(const WideText& text) {
    const WideText trimmed = Trimmed(text);
    std::string digits;
    for (const WCHAR c : trimmed) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        digits += static_cast<char>(c);
    }
    LONG number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (digits.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}
}  // namespace

ClientJobData2ReaderWriter::ClientJobData2ReaderWriter(HANDLE printer, DWORD jobId,
                                                       IPrintPipelinePropertyBag* bag) {
    std::optional<WideText> text = FromSpooler(printer, jobId);
    if (!text) {
        text = FromPipeline(bag);
    }
    if (text) {
        parameters = ParseParameterList(*text);
    }
}

bool ClientJobData2ReaderWriter::GetLongFromParameterList(LONG id, LONG& value) const {
    const auto parameter = parameters.find(id);
    if (parameter == parameters.end()) {
        return false;
    }
    value = parameter->second;
    return true;
}

std::map<LONG, LONG> ClientJobData2ReaderWriter::ParseParameterList(const WideText& text) {
    std::map<LONG, LONG> list;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(WIDE(';'), start), text.size());
        const WideText entry = text.substr(start, end - start);
        const std::size_t equals = entry.find(WIDE('='));
        if (equals != WideText::npos) {
            const auto id = NumberOf(entry.substr(0, equals));
            const auto value = NumberOf(entry.substr(equals + 1));
            if (id && value) {
                list[*id] = *value;
            }
        }
        start = end + 1;
    }
    return list;
}

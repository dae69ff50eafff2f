// Ghostscript's conversion of a printer application's document.
#include "host/printerapp/PrinterAppConversion.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {
// A path as one word of a shell command.
std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (const char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}
}  // namespace

std::string PrinterAppConversion::PjlHeader(const char* language) {
    return std::string("\x1b%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=") + language + "\r\n";
}

std::string PrinterAppConversion::PjlTrailer() {
    return "\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X";
}

const char* PrinterAppConversion::DeviceFor(const std::string& to, bool monochrome) {
    if (to == "application/vnd.hp-pclxl") {
        return monochrome ? "pxlmono" : "pxlcolor";
    }
    if (to == "application/pdf") {
        return "pdfwrite";
    }
    return to == "application/postscript" ? "ps2write" : nullptr;
}

PrinterAppConversion::PrinterAppConversion(pappl_job_t* job, const std::string& input,
                                           const std::string& from, const std::string& to,
                                           bool monochrome) {
    const char* device = DeviceFor(to, monochrome);
    if (device == nullptr || (from != "application/pdf" && from != "application/postscript")) {
        throw std::runtime_error("a " + from + " document cannot be made into " + to);
    }
    char name[1024];
    const int descriptor = papplJobOpenFile(job, name, sizeof name, nullptr, "converted", "w");
    if (descriptor < 0) {
        throw std::runtime_error("the converted document's spool file cannot be made");
    }
    const char* language = to == "application/pdf"          ? "PDF"
                           : to == "application/postscript" ? "POSTSCRIPT"
                                                            : nullptr;
    if (std::FILE* file = fdopen(descriptor, "wb")) {
        std::fputs(language != nullptr ? PjlHeader(language).c_str() : "", file);
        std::fclose(file);
    }
    output = name;
    const std::string command = std::string("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=") + device +
                                " -sOutputFile=- " + Quoted(input) + " < /dev/null >> " +
                                Quoted(output) + " 2> /dev/null";
    std::error_code error;
    const auto header = std::filesystem::file_size(output, error);
    if (std::system(command.c_str()) != 0 || std::filesystem::file_size(output, error) <= header) {
        throw std::runtime_error(std::string("Ghostscript could not make the ") + from +
                                 " document into " + to);
    }
    if (language != nullptr) {
        std::FILE* file = std::fopen(output.c_str(), "ab");
        const bool ended = file != nullptr && std::fputs(PjlTrailer().c_str(), file) >= 0;
        if (file == nullptr || std::fclose(file) != 0 || !ended) {
            throw std::runtime_error("the converted document cannot be written");
        }
    }
}

PrinterAppConversion::~PrinterAppConversion() {
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
}

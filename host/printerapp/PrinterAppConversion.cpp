// The conversion of a printer application's document into the printer's language.
#include "host/printerapp/PrinterAppConversion.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace {
constexpr char kUniversalExit[] = "\x1b%-12345X";

// A path as one word of a shell command.
std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (const char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

const char* LanguageOf(const std::string& format) {
    return format == "application/pdf"          ? "PDF"
           : format == "application/postscript" ? "POSTSCRIPT"
                                                : nullptr;
}
}  // namespace

std::string PrinterAppConversion::PjlHeader(const char* language) {
    return std::string(kUniversalExit) + "@PJL JOB\r\n@PJL ENTER LANGUAGE=" + language + "\r\n";
}

std::string PrinterAppConversion::PjlTrailer() {
    return std::string(kUniversalExit) + "@PJL EOJ\r\n" + kUniversalExit;
}

std::string PrinterAppConversion::CommandFor(const std::string& input, const std::string& from,
                                             const std::string& to, bool monochrome) {
    if (from != "application/pdf" && from != "application/postscript") {
        return "";
    }
    if (from == "application/pdf" && to == "application/postscript") {
        return "pdftops -level3 " + Quoted(input) + " -";
    }
    const char* device = to == "application/vnd.hp-pclxl" ? (monochrome ? "pxlmono" : "pxlcolor")
                         : to == "application/pdf"        ? "pdfwrite"
                                                          : nullptr;
    if (device == nullptr) {
        return "";
    }
    return std::string("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=") + device + " -sOutputFile=- " +
           Quoted(input);
}

bool PrinterAppConversion::BeginsWithPjl(const std::string& path) {
    char start[sizeof kUniversalExit - 1] = {};
    std::ifstream file(path, std::ios::binary);
    return file.read(start, sizeof start) && std::string(start, sizeof start) == kUniversalExit;
}

PrinterAppConversion::PrinterAppConversion(pappl_job_t* job, const std::string& input,
                                           const std::string& from, const std::string& to,
                                           bool monochrome) {
    const std::string command = CommandFor(input, from, to, monochrome);
    if (command.empty()) {
        throw std::runtime_error("a " + from + " document cannot be made into " + to);
    }
    Make(job, LanguageOf(to), command, from == "application/pdf" && to == "application/postscript",
         "make the " + from + " document into " + to);
}

PrinterAppConversion::PrinterAppConversion(pappl_job_t* job, const std::string& input,
                                           const char* language) {
    Make(job, language, "cat " + Quoted(input), false, "put the document in its PJL envelope");
}

void PrinterAppConversion::Make(pappl_job_t* job, const char* language, const std::string& command,
                                bool pageSetups, const std::string& what) {
    char name[1024];
    const int descriptor = papplJobOpenFile(job, name, sizeof name, nullptr, "converted", "w");
    if (descriptor < 0) {
        throw std::runtime_error("the converted document's spool file cannot be made");
    }
    output = name;
    try {
        Append(descriptor, language, command, pageSetups, what);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        throw;
    }
}

void PrinterAppConversion::Append(int descriptor, const char* language, const std::string& command,
                                  bool pageSetups, const std::string& what) {
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) {
        throw std::runtime_error("the converted document's spool file cannot be written");
    }
    std::fputs(language != nullptr ? PjlHeader(language).c_str() : "", file);
    std::FILE* made = popen((command + " < /dev/null 2> /dev/null").c_str(), "r");
    bool copied = made != nullptr && (pageSetups ? EmptyPageSetups(made, file) : Copy(made, file));
    // The error of a write that failed while the converter ran, before anything else sets errno.
    int error = std::ferror(file) != 0 ? errno : 0;
    copied = made != nullptr && pclose(made) == 0 && copied;
    if (language != nullptr) {
        std::fputs(PjlTrailer().c_str(), file);
    }
    if (error == 0 && (std::fflush(file) != 0 || std::ferror(file) != 0)) {
        error = errno != 0 ? errno : EIO;
    }
    if (std::fclose(file) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        throw std::runtime_error(std::string("the converted document cannot be written: ") +
                                 std::strerror(error));
    }
    if (!copied) {
        throw std::runtime_error("could not " + what);
    }
}

bool PrinterAppConversion::Copy(std::FILE* from, std::FILE* to) {
    char block[65536];
    std::size_t got = 0;
    std::size_t total = 0;
    while ((got = std::fread(block, 1, sizeof block, from)) != 0) {
        total += std::fwrite(block, 1, got, to);
    }
    return total != 0;
}

bool PrinterAppConversion::EmptyPageSetups(std::FILE* from, std::FILE* to) {
    char* line = nullptr;
    std::size_t capacity = 0;
    std::string held;
    bool holding = false;
    bool any = false;
    for (ssize_t length; (length = getline(&line, &capacity, from)) > 0;) {
        const std::string_view text(line, static_cast<std::size_t>(length));
        any = true;
        const bool ends = text.rfind("%%EndPageSetup", 0) == 0;
        if (holding && !ends) {
            held += text;
            continue;
        }
        std::fwrite(text.data(), 1, text.size(), to);
        if (ends) {
            std::fwrite(held.data(), 1, held.size(), to);
            held.clear();
        }
        holding = !holding ? text.rfind("%%BeginPageSetup", 0) == 0 : !ends;
    }
    std::fwrite(held.data(), 1, held.size(), to);
    std::free(line);
    return any;
}

PrinterAppConversion::~PrinterAppConversion() {
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
}

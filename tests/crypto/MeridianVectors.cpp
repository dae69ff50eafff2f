// Reading and running the known-answer vectors.
#include "MeridianVectors.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string FromHex(const std::string& hex) {
    if (hex == "-") {
        return {};
    }
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::string ToHex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += digits[static_cast<unsigned char>(c) >> 4];
        hex += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return hex;
}

std::vector<MeridianVector> ReadMeridianVectors(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<MeridianVector> vectors;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key.empty() || key[0] == '#') {
            continue;
        }
        std::string value;
        words >> value;
        if (key == "vector") {
            vectors.emplace_back().name = value;
        } else if (key == "passphrase") {
            vectors.back().passPhraseUtf8 = FromHex(value);
        } else if (key == "iterations") {
            vectors.back().iterations = static_cast<std::uint32_t>(std::stoul(value));
        } else if (key == "random") {
            vectors.back().random = FromHex(value);
        } else if (key == "call") {
            int last = 0;
            words >> last;
            vectors.back().calls.push_back({FromHex(value), last != 0, last == 2});
        } else if (key == "output") {
            vectors.back().output = FromHex(value);
        } else if (key == "decrypt-only") {
            vectors.back().decryptOnly = value == "1";
        }
    }
    return vectors;
}

void FixedRandomSource::Fill(std::uint8_t* out, std::size_t count) {
    if (bytes.size() - next < count) {
        throw std::runtime_error("the vector has too few random bytes");
    }
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(next), count, out);
    next += count;
}

CXString PassPhraseOf(const MeridianVector& vector) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, vector.passPhraseUtf8.data(),
                            static_cast<int>(vector.passPhraseUtf8.size()), nullptr, 0);
    std::basic_string<WCHAR> wide(static_cast<std::size_t>(length), 0);
    MultiByteToWideChar(CP_UTF8, 0, vector.passPhraseUtf8.data(),
                        static_cast<int>(vector.passPhraseUtf8.size()), wide.data(), length);
    return CXString(wide);
}

std::string EncryptVector(const MeridianVector& vector) {
    const CXString passPhrase = PassPhraseOf(vector);
    MeridianEncryption encryption(1, CXString(), std::make_unique<FixedRandomSource>(vector.random),
                                  vector.iterations);
    std::string output;
    for (const MeridianVector::Call& call : vector.calls) {
        ByteBuffer out;
        if (call.moreSectionsFollow) {
            encryption.MoreSectionsFollow();
        }
        encryption.EncryptByteBuffer(reinterpret_cast<const BYTE*>(call.bytes.data()),
                                     static_cast<DWORD>(call.bytes.size()), out, passPhrase,
                                     call.last);
        output.append(reinterpret_cast<const char*>(out.getLpbyte()), out.getDword());
    }
    return output;
}

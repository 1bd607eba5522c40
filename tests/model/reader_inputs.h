// The results files every faster reader is held to: the examples, the malformed test files, the
// reader's fuzz seeds, generated bridges and damaged copies of two examples, each with the digest
// of its model and outcome recorded in reader_digests.txt by a reader known to be right.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/warren_bridge.h"

inline const std::string READER_DIGESTS = std::string(KELVARO_SOURCE_DIR) + "/tests/model/reader_digests.txt";

struct ReaderInput {
    std::string name;  // the file's path below the source folder, or "generated/..."
    std::string bytes;
};

inline std::string reader_file_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<ReaderInput> reader_inputs()
{
    const std::filesystem::path source = KELVARO_SOURCE_DIR;
    std::vector<ReaderInput> list;
    for (const char* folder : {"examples", "tests/data", "tests/data/malformed", "fuzz/corpus/reader"}) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(source / folder))
            if (entry.is_regular_file() && entry.path().extension() != ".md" && entry.path().extension() != ".cases")
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const std::filesystem::path& path : files)
            list.push_back({std::filesystem::relative(path, source).string(), reader_file_bytes(path)});
    }
    for (int members : {7, 1001, 12003})
        list.push_back({"generated/warren-" + std::to_string(members), warren_bridge_results(members)});
    // A bridge with CR LF line ends.
    std::string crlf;
    for (char c : warren_bridge_results(203))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    list.push_back({"generated/warren-203-crlf", crlf});
    // Damaged copies of two examples: a few bytes replaced, inserted or taken out at random places,
    // with bytes that make or break numbers, so that every lenient path of the reader is taken.
    static constexpr char BYTES[] = "0123456789.eE+-  \t\r\nxNaI,D\0";
    std::mt19937 random(23);
    for (const auto& [example, copies] :
         {std::pair<const char*, int>{"examples/bridge.res", 300}, {"examples/roof.res", 60}}) {
        const std::string original = reader_file_bytes(source / example);
        for (int copy = 0; copy < copies; ++copy) {
            std::string bytes = original;
            const int changes = 1 + static_cast<int>(random() % 8);
            for (int k = 0; k < changes && !bytes.empty(); ++k) {
                const std::size_t at = random() % bytes.size();
                const char byte = BYTES[random() % (sizeof BYTES - 1)];
                switch (random() % 3) {
                case 0:
                    bytes[at] = byte;
                    break;
                case 1:
                    bytes.insert(at, 1, byte);
                    break;
                default:
                    bytes.erase(at, 1 + random() % 3);
                    break;
                }
            }
            list.push_back({"damaged/" + std::string(example).substr(9) + "/" + std::to_string(copy), bytes});
        }
    }
    return list;
}

// The digests recorded in READER_DIGESTS, by the input's name.
inline std::map<std::string, std::string> recorded_reader_digests()
{
    std::map<std::string, std::string> recorded;
    std::ifstream in(READER_DIGESTS);
    for (std::string name, digest; in >> name >> digest;)
        recorded[name] = digest;
    return recorded;
}

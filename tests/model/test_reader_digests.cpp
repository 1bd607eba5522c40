// Every results file the project has (the examples, the malformed test files, the reader's fuzz
// seeds) and generated bridges whose numbers outgrow the fixed columns read to the very model and
// outcome recorded in reader_digests.txt, from memory and through a file slot alike. The record
// was made once by a reader known to be right; a faster reader must fill the same numbers to the
// bit and find the same problems. KELVARO_WRITE_READER_DIGESTS=1 writes the record anew.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "bench/warren_bridge.h"
#include "core/file.h"
#include "tests/model/reader_digest.h"

namespace {

namespace fs = std::filesystem;

constexpr int SLOT = 3;

const std::string RECORD = std::string(KELVARO_SOURCE_DIR) + "/tests/model/reader_digests.txt";

struct Input {
    std::string name;  // the file's path below the source folder, or "generated/..."
    std::string bytes;
};

std::string file_bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Input> inputs()
{
    const fs::path source = KELVARO_SOURCE_DIR;
    std::vector<Input> list;
    for (const char* folder : {"examples", "tests/data", "tests/data/malformed", "fuzz/corpus/reader"}) {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(source / folder))
            if (entry.is_regular_file() && entry.path().extension() != ".md" && entry.path().extension() != ".cases")
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& path : files)
            list.push_back({fs::relative(path, source).string(), file_bytes(path)});
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
        const std::string original = file_bytes(source / example);
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

std::string digest_from_memory(const std::string& bytes)
{
    TrussModelData model;
    MemoryLineSource source(bytes);
    const ReadOutcome outcome = read_results(source, model);
    return read_digest(model, outcome);
}

std::string digest_from_file(const std::string& bytes)
{
    const fs::path path = fs::temp_directory_path() / ("kelvaro_digest_" + std::to_string(::getpid()) + ".res");
    std::ofstream(path, std::ios::binary) << bytes;
    TrussModelData model;
    ReadOutcome outcome;
    if (file_open_read(SLOT, path.string()) != 0) {
        FileSlotLineSource source(SLOT);
        outcome = read_results(source, model);
        file_close(SLOT);
    }
    fs::remove(path);
    return read_digest(model, outcome);
}

}  // namespace

TEST(ReaderDigestTest, EveryFileReadsToTheRecordedModelAndOutcome)
{
    const std::vector<Input> list = inputs();
    ASSERT_GE(list.size(), 50u);
    if (const char* write = std::getenv("KELVARO_WRITE_READER_DIGESTS"); write && std::string(write) == "1") {
        std::ofstream out(RECORD);
        for (const Input& input : list)
            out << input.name << ' ' << digest_from_memory(input.bytes) << '\n';
        GTEST_SKIP() << "wrote " << RECORD;
    }
    std::map<std::string, std::string> recorded;
    std::ifstream in(RECORD);
    for (std::string name, digest; in >> name >> digest;)
        recorded[name] = digest;
    ASSERT_EQ(recorded.size(), list.size()) << "every input has its record";
    for (const Input& input : list) {
        SCOPED_TRACE(input.name);
        ASSERT_TRUE(recorded.count(input.name));
        EXPECT_EQ(digest_from_memory(input.bytes), recorded[input.name]) << "from memory";
        EXPECT_EQ(digest_from_file(input.bytes), recorded[input.name]) << "through a file slot";
        // Every section of two lines or more read in two parts at once.
        const std::size_t parts_from = set_read_in_parts_bytes(0);
        EXPECT_EQ(digest_from_memory(input.bytes), recorded[input.name]) << "from memory in two parts";
        EXPECT_EQ(digest_from_file(input.bytes), recorded[input.name]) << "through a file slot in two parts";
        set_read_in_parts_bytes(parts_from);
    }
}

// Every results file the project has (the examples, the malformed test files, the reader's fuzz
// seeds) and generated bridges whose numbers outgrow the fixed columns read to the very model and
// outcome recorded in reader_digests.txt, from memory and through a file slot alike. The record
// was made once by a reader known to be right; a faster reader must fill the same numbers to the
// bit and find the same problems. KELVARO_WRITE_READER_DIGESTS=1 writes the record anew.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "core/file.h"
#include "tests/model/reader_digest.h"
#include "tests/model/reader_inputs.h"

namespace {

namespace fs = std::filesystem;

constexpr int SLOT = 3;

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
    const std::vector<ReaderInput> list = reader_inputs();
    ASSERT_GE(list.size(), 50u);
    if (const char* write = std::getenv("KELVARO_WRITE_READER_DIGESTS"); write && std::string(write) == "1") {
        std::ofstream out(READER_DIGESTS);
        for (const ReaderInput& input : list)
            out << input.name << ' ' << digest_from_memory(input.bytes) << '\n';
        GTEST_SKIP() << "wrote " << READER_DIGESTS;
    }
    std::map<std::string, std::string> recorded = recorded_reader_digests();
    ASSERT_EQ(recorded.size(), list.size()) << "every input has its record";
    for (const ReaderInput& input : list) {
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

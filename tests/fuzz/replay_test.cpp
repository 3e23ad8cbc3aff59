// Every committed corpus input, found once by fuzzing or written as a
// reproducer, runs through its target again with the ordinary compiler.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "fuzz/targets.h"

namespace ca::fuzz {

void Fail(const std::string& what) { throw std::logic_error(what); }

void PrintTo(const NamedTarget& t, std::ostream* os) { *os << t.name; }

namespace {

class Replay : public ::testing::TestWithParam<NamedTarget> {};

TEST_P(Replay, EveryCorpusInputKeepsItsProperty) {
    const std::filesystem::path dir = std::filesystem::path(CORPUS_DIR) / GetParam().name;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        try {
            GetParam().run(bytes.data(), bytes.size());
        } catch (const std::logic_error& e) {
            ADD_FAILURE() << entry.path().filename() << ": " << e.what();
        }
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << "no corpus in " << dir;
}

INSTANTIATE_TEST_SUITE_P(Corpora, Replay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ca::fuzz

// Every input that once made a fuzz target fail, replayed through that target's own checks (the
// target's sources are built into this test without libFuzzer). A failed check aborts with the
// check's name; the inputs live in tests/data/fuzz/<target>/.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.hpp"

extern "C" int FuzzBase64Input(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzPointsInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzAcapiInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzProjectFileInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzScenarioInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzResourcesInput(const std::uint8_t* data, std::size_t size);

namespace {

struct Target {
    const char* name;
    int (*run)(const std::uint8_t*, std::size_t);
};

const Target Targets[] = {{"base64", FuzzBase64Input},           {"points", FuzzPointsInput},
                          {"acapi", FuzzAcapiInput},             {"projectfile", FuzzProjectFileInput},
                          {"scenario", FuzzScenarioInput},       {"resources", FuzzResourcesInput}};

std::vector<std::filesystem::path> Inputs(const std::string& target)
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(std::getenv("LANDFETCH_TEST_DATA")) / "fuzz" / target;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzRegression : public testing::TestWithParam<Target> {};

}  // namespace

TEST_P(FuzzRegression, EveryCommittedInputPassesTheTargetsChecks)
{
    for (const std::filesystem::path& file : Inputs(GetParam().name)) {
        SCOPED_TRACE(file.string());
        const std::string bytes = test::ReadFile(file);
        EXPECT_EQ(GetParam().run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression, testing::ValuesIn(Targets),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

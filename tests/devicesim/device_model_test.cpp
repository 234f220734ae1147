#include "device_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using devicesim::DeviceModel;
using devicesim::ParseNumber;
using devicesim::VariableSpec;

const char kConfig[] =
    "# test device\n"
    "GAIN_IN 0.0 range=-24;12 step=0.5\n"
    "REVERSED 5 range=10;0\n"
    "XOVER_FREQ 1000 range=20;20000 step=1 logscale\n"
    "PRESET_NAME \"Talk Radio\"\n"
    "VU_IN \"\" range=-60;0 channels=2 dims=L;R vu\n"
    "VU_IN_PEAK \"\" range=-60;0 channels=2 peak=VU_IN\n"
    "TEMPERATURE 41.5 readonly poll\n";

class Model : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_model.Load(kConfig, error)) << error;
    }
    DeviceModel m_model;
};

TEST(DeviceModelConfig, DemoConfigurationLoads)
{
    DeviceModel model;
    std::string error;
    ASSERT_TRUE(model.LoadFile(DEMO_CONFIG, error)) << error;
    EXPECT_GE(model.Names().size(), 10u);
}

struct BadConfigCase
{
    const char* name;
    const char* text;
    const char* error;
};

class BadConfig : public testing::TestWithParam<BadConfigCase>
{
};

TEST_P(BadConfig, NamesTheLineAndTheProblem)
{
    DeviceModel model;
    std::string error;
    EXPECT_FALSE(model.Load(GetParam().text, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadConfig,
    testing::Values(BadConfigCase{"UnknownOption", "A 1\nB 2 color=red\n", "line 2: bad option 'color=red'"},
                    BadConfigCase{"BadRange", "A 1 range=1\n", "line 1: bad option 'range=1'"},
                    BadConfigCase{"RangeNotNumbers", "A 1 range=low;high\n", "line 1: bad option 'range=low;high'"},
                    BadConfigCase{"Duplicate", "A 1\na 2\n", "line 2: variable a defined twice"},
                    BadConfigCase{"OpenQuote", "A \"open\n", "line 1: unterminated quote"},
                    BadConfigCase{"BadName", "A=B 1\n", "line 1: bad variable name 'A=B'"},
                    BadConfigCase{"PeakWithoutMeter", "A 1\nP \"\" peak=A\n",
                                  "line 2: peak of A: no such vu variable before it"},
                    BadConfigCase{"ZeroChannels", "A 1 channels=0\n", "line 1: bad option 'channels=0'"}),
    [](const testing::TestParamInfo<BadConfigCase>& info) { return info.param.name; });

struct WriteCase
{
    const char* name;
    const char* variable;
    const char* value;
    DeviceModel::WriteResult result;
    const char* stored;
};

class Writes : public Model, public testing::WithParamInterface<WriteCase>
{
};

TEST_P(Writes, StoreClampOrRefuse)
{
    const WriteCase& c = GetParam();
    std::string stored = "untouched";
    EXPECT_EQ(m_model.Write(c.variable, c.value, stored), c.result);
    EXPECT_EQ(stored, c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Writes,
    testing::Values(
        WriteCase{"InRange", "GAIN_IN", "3.5", DeviceModel::WriteResult::Stored, "3.5"},
        WriteCase{"AboveRange", "GAIN_IN", "99", DeviceModel::WriteResult::Stored, "12"},
        WriteCase{"BelowRange", "GAIN_IN", "-99", DeviceModel::WriteResult::Stored, "-24"},
        WriteCase{"ReversedRange", "REVERSED", "11", DeviceModel::WriteResult::Stored, "10"},
        WriteCase{"CaseOfNameIgnored", "gain_in", "1", DeviceModel::WriteResult::Stored, "1"},
        WriteCase{"NotANumber", "GAIN_IN", "loud", DeviceModel::WriteResult::NotANumber, "untouched"},
        WriteCase{"NumberWithTrailingText", "GAIN_IN", "3dB", DeviceModel::WriteResult::NotANumber, "untouched"},
        WriteCase{"Text", "PRESET_NAME", "Caf\xC3\xA9 = 100%", DeviceModel::WriteResult::Stored, "Caf\xC3\xA9 = 100%"},
        WriteCase{"ReadOnly", "TEMPERATURE", "1", DeviceModel::WriteResult::ReadOnly, "untouched"},
        WriteCase{"Meter", "VU_IN", "0;0", DeviceModel::WriteResult::ReadOnly, "untouched"},
        WriteCase{"Unknown", "NOPE", "1", DeviceModel::WriteResult::Unknown, "untouched"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

TEST_F(Model, QueriesAnswerFromTheConfiguration)
{
    const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
        {"range", "GAIN_IN", "-24;12"},     {"range", "PRESET_NAME", "*no range for PRESET_NAME"},
        {"step", "GAIN_IN", "0.5"},         {"step", "PRESET_NAME", "*no step for PRESET_NAME"},
        {"logscale", "XOVER_FREQ", "1"},    {"logscale", "GAIN_IN", "0"},
        {"channels", "VU_IN", "2"},         {"channels", "GAIN_IN", "1"},
        {"dims", "VU_IN", "L;R"},           {"range", "nope", "*unknown nope"},
        {"range", "xover_freq", "20;20000"}};
    for (const auto& [kind, name, answer] : cases)
        EXPECT_EQ(m_model.Query(kind, name), answer) << kind << " " << name;
}

TEST_F(Model, EveryChangeIsReportedOnce)
{
    std::vector<std::string> changes;
    int id = m_model.AddListener(
        [&](const std::string& name, const std::string& value) { changes.push_back(name + "=" + value); });
    std::string stored;
    m_model.Write("gain_in", "2", stored);
    m_model.Write("GAIN_IN", "2", stored);  // no change
    m_model.Change("PRESET_NAME", "Music");
    m_model.RemoveListener(id);
    m_model.Write("GAIN_IN", "3", stored);
    EXPECT_EQ(changes, (std::vector<std::string>{"GAIN_IN=2", "PRESET_NAME=Music"}));
}

std::vector<double> Levels(const std::string& text)
{
    std::vector<double> levels;
    std::size_t start = 0;
    for (std::size_t end; start <= text.size(); start = end + 1)
    {
        end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        double value = NAN;
        EXPECT_TRUE(ParseNumber(text.substr(start, end - start), value)) << text;
        levels.push_back(value);
    }
    return levels;
}

TEST_F(Model, MetersMoveWithinTheirRangeAndPeaksHoldThenFall)
{
    VariableSpec level, peak;
    std::vector<double> previousPeaks = {-60, -60};
    bool moved = false;
    for (int step = 0; step < 200; ++step)
    {
        m_model.AnimateMeters();
        ASSERT_TRUE(m_model.Find("VU_IN", level) && m_model.Find("VU_IN_PEAK", peak));
        std::vector<double> levels = Levels(level.value), peaks = Levels(peak.value);
        ASSERT_EQ(levels.size(), 2u);
        ASSERT_EQ(peaks.size(), 2u);
        for (std::size_t channel = 0; channel < 2; ++channel)
        {
            EXPECT_GE(levels[channel], -60.0);
            EXPECT_LE(levels[channel], 0.0);
            EXPECT_GE(peaks[channel], levels[channel]);
            EXPECT_GE(peaks[channel], previousPeaks[channel] - 1.5 - 0.05);
            moved = moved || peaks[channel] != previousPeaks[channel];
        }
        previousPeaks = peaks;
    }
    EXPECT_TRUE(moved);
}
}  // namespace

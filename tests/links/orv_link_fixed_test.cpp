#include "links/orv_link_fixed.h"

#include <gtest/gtest.h>

#include "links_fixture.h"
#include "support/log_capture.h"

namespace
{
using linktest::LinkedElement;
using linktest::ParseXml;

struct FixedCase
{
    const char* value;
    int boolResult;  // 0 read, -1 not a boolean
    bool asBool;
    int intResult;  // 0 read, -1 not an integer
    int asInt;
};

class FixedLink : public testing::TestWithParam<FixedCase>
{
};

TEST_P(FixedLink, ReadsItsValueAsBooleanAndInteger)
{
    const FixedCase& c = GetParam();
    orvtest::LogCapture log;
    auto document = ParseXml(std::string("<button><link type='fixed' value='") + c.value + "'/></button>");
    LinkedElement element(nullptr);
    ASSERT_EQ(element.Init(document.get()), 0);
    EXPECT_EQ(element.Target().Events(), std::vector<std::string>{"value"}) << "valid from Init on";
    COrvLinkBase* link = element.Link();

    bool asBool = !c.asBool;
    EXPECT_EQ(link->GetBool(asBool), c.boolResult);
    if (c.boolResult == 0)
    {
        EXPECT_EQ(asBool, c.asBool);
    }
    EXPECT_EQ(log.Count("Link Virtual return no boolean value, but this is needed here !", wxLOG_Error),
              c.boolResult < 0 ? 1 : 0);

    int asInt = -12345;
    EXPECT_EQ(link->GetInt(asInt), c.intResult);
    if (c.intResult == 0)
    {
        EXPECT_EQ(asInt, c.asInt);
    }
    EXPECT_EQ(log.Count("Link Virtual return no integer value, but this is needed here !", wxLOG_Error),
              c.intResult < 0 ? 1 : 0);

    wxString text;
    EXPECT_EQ(link->GetValue(text), 1);
    EXPECT_EQ(text, wxString::FromUTF8(c.value));
}

INSTANTIATE_TEST_SUITE_P(Values, FixedLink,
                         testing::Values(FixedCase{"0", 0, false, 0, 0}, FixedCase{"false", 0, false, -1, 0},
                                         FixedCase{"FALSE", 0, false, -1, 0}, FixedCase{"", 0, false, -1, 0},
                                         FixedCase{"1", 0, true, 0, 1}, FixedCase{"true", 0, true, -1, 0},
                                         FixedCase{"True", 0, true, -1, 0}, FixedCase{"2", -1, false, 0, 2},
                                         FixedCase{"-7", -1, false, 0, -7}, FixedCase{"yes", -1, false, -1, 0},
                                         FixedCase{"12px", -1, false, -1, 0}, FixedCase{"01", -1, false, 0, 1}));

TEST(FixedLinkQueries, AnswerWithoutADeviceAndRefuseWrites)
{
    COrvLinkFixed link(nullptr);
    wxString text = "x";
    EXPECT_TRUE(link.GetRange(text));
    EXPECT_EQ(text, "");
    for (bool (COrvLinkBase::*query)(wxString&) :
         {&COrvLinkBase::GetChannels, &COrvLinkBase::GetDims, &COrvLinkBase::GetLogScale, &COrvLinkBase::GetStep})
    {
        text.clear();
        EXPECT_TRUE((link.*query)(text));
        EXPECT_EQ(text, "none");
    }
    EXPECT_FALSE(link.SetValue(1));
    EXPECT_FALSE(link.SetValueString("1"));
    EXPECT_FALSE(link.HasValueOff());
    EXPECT_FALSE(link.IsVariable());
}
}  // namespace

#include "common/dialog_init.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace karvex {
namespace {

// One record as a resource compiler lays it out: id, message, length, data.
std::string Record(std::uint16_t id, std::uint16_t message, const std::string& data)
{
    std::string bytes;
    bytes += static_cast<char>(id & 0xFF);
    bytes += static_cast<char>(id >> 8);
    bytes += static_cast<char>(message & 0xFF);
    bytes += static_cast<char>(message >> 8);
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>(length >> shift & 0xFF);
    return bytes + data;
}

const std::string kEnd("\0\0", 2);
// "每天一次" and "每周一次" in GBK: nine bytes with the NUL, so the second
// record starts at an odd offset.
const std::string kDaily("\xC3\xBF\xCC\xEC\xD2\xBB\xB4\xCE\0", 9);
const std::string kWeekly("\xC3\xBF\xD6\xDC\xD2\xBB\xB4\xCE\0", 9);

struct ParseCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> texts;  // of the records read, in order
    bool complete;
};

TEST(DialogInitTest, ReadsWholeRecordsAndStopsSafely)
{
    const std::string two = Record(1011, kDialogInitComboAdd, kDaily) + Record(1011, kDialogInitComboAdd, kWeekly);
    const ParseCase cases[] = {
        {"TwoLines", two + kEnd, {"每天一次", "每周一次"}, true},
        {"Empty", kEnd, {}, true},
        {"NoTerminator", two, {"每天一次", "每周一次"}, false},
        {"TextWithoutNul", Record(7, kDialogInitListAdd, "abc") + kEnd, {"abc"}, true},
        {"PaddedAfterNul", Record(7, kDialogInitListAdd, std::string("ab\0\0", 4)) + kEnd, {"ab"}, true},
        {"LengthPastTheEnd", two + Record(1011, kDialogInitComboAdd, "xyz").substr(0, 10), {"每天一次", "每周一次"}, false},
        {"HugeLength", Record(1, 2, "").replace(4, 4, "\xFF\xFF\xFF\xFF") + "abc" + kEnd, {}, false},
        {"CutHeader", two.substr(0, 5), {}, false},
    };
    for (const ParseCase& c : cases) {
        bool complete = !c.complete;
        const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
        const std::vector<DIALOG_INIT_ITEM> items = ParseDialogInit(data, c.bytes.size(), &complete);
        std::vector<std::string> texts;
        for (const DIALOG_INIT_ITEM& item : items)
            texts.push_back(item.strText);
        EXPECT_EQ(texts, c.texts) << c.name;
        EXPECT_EQ(complete, c.complete) << c.name;
    }

    const auto* data = reinterpret_cast<const unsigned char*>(two.data());
    const std::vector<DIALOG_INIT_ITEM> items = ParseDialogInit(data, two.size());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].nControlId, 1011);
    EXPECT_EQ(items[1].nMessage, kDialogInitComboAdd);
    EXPECT_TRUE(ParseDialogInit(nullptr, 100).empty());
}

}  // namespace
}  // namespace karvex

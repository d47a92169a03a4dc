// VariantChangeType against the table recorded from Windows' oleaut32 (under wine64, by this same
// program: `variant_change_type_test --write-reference PATH`), plus the calling conventions the
// table cannot show.
#include "unit/variant_table.h"
#include "unit/variant_text.h"
#include "vetrel/com.h"

#include <cstdlib>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

namespace {

std::string fixturePath()
{
    const char* root = std::getenv("VETREL_SOURCE_DIR");
    return std::string(root ? root : ".") + "/tests/fixtures/variant_change_type.tsv";
}

// The recorded rows that use the user's default locale hold only where that locale formats
// numbers as en-US does.
bool userLocaleIsEnglishUs()
{
    VARIANT number{}, text{};
    VariantInit(&text);
    V_VT(&number) = VT_R8;
    V_R8(&number) = 1.5;
    bool english = SUCCEEDED(VariantChangeType(&text, &number, 0, VT_BSTR)) &&
                   variant_text::variant(text) == "BSTR:\"1.5\"";
    VariantClear(&text);
    return english;
}

TEST(VariantChangeType, AgreesWithWindowsOnEveryConversionOfTheTable)
{
    std::ifstream file(fixturePath(), std::ios::binary);
    ASSERT_TRUE(file) << "cannot open " << fixturePath();
    std::map<std::string, std::string> expected;
    for (auto& row : variant_table::read(file))
        EXPECT_TRUE(expected.emplace(row.input, row.outcome).second) << "twice: " << row.input;

    std::vector<variant_table::Row> actual = variant_table::compute();
    ASSERT_GT(actual.size(), 5000u);
    EXPECT_EQ(actual.size(), expected.size()) << "the table and the recorded table differ in size";
    bool userRows = userLocaleIsEnglishUs();
    if (!userRows) std::cout << "note: the user locale is not en-US; its rows are not compared\n";
    // Each disagreement is reported on its own; past a few hundred only the count is useful.
    constexpr size_t kReported = 300;
    size_t disagreements = 0;
    for (const auto& row : actual) {
        if (!userRows && row.input.find("\tuser\t") != std::string::npos) continue;
        auto recorded = expected.find(row.input);
        std::string want = recorded == expected.end() ? "(not recorded)" : recorded->second;
        if (want == row.outcome) continue;
        if (++disagreements <= kReported)
            ADD_FAILURE() << "convert " << row.input << "\n  Windows: " << want
                          << "\n  here:    " << row.outcome;
    }
    EXPECT_EQ(disagreements, 0u) << "of " << actual.size() << " conversions";
}

TEST(VariantChangeType, TableTextKeepsEveryBit)
{
    using variant_text::exactDouble;
    EXPECT_EQ(exactDouble(1.0), "0x1p+0");
    EXPECT_EQ(exactDouble(-2.5), "-0x1.4p+1");
    EXPECT_EQ(exactDouble(0.1), "0x1.999999999999ap-4");
    EXPECT_EQ(exactDouble(4.9406564584124654e-324), "0x0.0000000000001p-1022");
    EXPECT_EQ(exactDouble(-0.0), "-0x0p+0");
    EXPECT_NE(exactDouble(1.0), exactDouble(1.0000000000000002));
    EXPECT_EQ(variant_text::exactFloat(0.1f), "0x1.99999ap-4");

    std::vector<variant_table::Row> rows = {{"a\tb\tc\td\te", "0x0\tI4:1"},
                                            {"x\ty\tz\tw\tv", "0x80020005\tEMPTY"}};
    std::stringstream text;
    variant_table::write(text, rows);
    std::vector<variant_table::Row> back = variant_table::read(text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].input, rows[1].input);
    EXPECT_EQ(back[1].outcome, rows[1].outcome);
}

TEST(VariantChangeType, ReadsThroughReferencesAndReplacesTheDestination)
{
    LONG number = 42;
    VARIANT src{}, dst{};
    V_VT(&src) = VT_BYREF | VT_I4;
    V_I4REF(&src) = &number;
    V_VT(&dst) = VT_BSTR;
    OLECHAR stale[] = {'o', 'l', 'd', 0};
    V_BSTR(&dst) = SysAllocString(stale);

    ASSERT_EQ(VariantChangeTypeEx(&dst, &src, 0x0409, 0, VT_BSTR), S_OK);
    EXPECT_EQ(variant_text::variant(dst), "BSTR:\"42\"");
    ASSERT_EQ(VariantChangeTypeEx(&dst, &dst, 0x0409, 0, VT_R8), S_OK);
    EXPECT_EQ(variant_text::variant(dst), "R8:" + variant_text::exactDouble(42.0));

    // A reference to a VARIANT is read through to the value it holds.
    VARIANT inner{}, holder{}, small{};
    OLECHAR seven[] = {'7', 0};
    V_VT(&inner) = VT_BSTR;
    V_BSTR(&inner) = SysAllocString(seven);
    V_VT(&holder) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&holder) = &inner;
    ASSERT_EQ(VariantChangeTypeEx(&small, &holder, 0x0409, 0, VT_I2), S_OK);
    EXPECT_EQ(variant_text::variant(small), "I2:7");
    EXPECT_EQ(variant_text::variant(inner), "BSTR:\"7\"");
    VariantClear(&inner);
    VariantClear(&dst);
}

TEST(VariantChangeType, FailedConversionKeepsSourceAndDestination)
{
    VARIANT v{}, dst{};
    OLECHAR word[] = {'a', 'b', 'c', 0};
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(word);
    EXPECT_EQ(VariantChangeTypeEx(&v, &v, 0x0409, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(variant_text::variant(v), "BSTR:\"abc\"");

    V_VT(&dst) = VT_I4;
    V_I4(&dst) = 9;
    EXPECT_EQ(VariantChangeTypeEx(&dst, &v, 0x0409, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(variant_text::variant(dst), "I4:9");
    VariantClear(&v);
}

int writeReference(const char* path)
{
    std::ofstream out(path, std::ios::binary);
    variant_table::write(out, variant_table::compute());
    return out ? EXIT_SUCCESS : EXIT_FAILURE;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--write-reference") return writeReference(argv[i + 1]);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}

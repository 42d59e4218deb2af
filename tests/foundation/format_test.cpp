#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "foundation/format.h"

namespace {

std::string Expand(const char* format, const FormatObject* a1 = nullptr,
                   const FormatObject* a2 = nullptr, const FormatObject* a3 = nullptr)
{
    std::string out = "stale";
    return Format(out, format, a1, a2, a3);
}

} // namespace

TEST(Format, FillsIndexedKeysAndCaptions)
{
    std::string out;
    EXPECT_EQ(FormatUnsigned(out, "/Game/Easy/HighScore%1", 40u), "/Game/Easy/HighScore40");
    EXPECT_EQ(FormatUnsigned(out, "Completed %1 of 10 Levels", 3u), "Completed 3 of 10 Levels");

    int minutes = 2, tens = 0, ones = 7;
    TFormatObject<int> m(minutes), t(tens), o(ones);
    EXPECT_EQ(Expand("Best Time: %1:%2%3", &m, &t, &o), "Best Time: 2:07");
    EXPECT_EQ(Expand("%3%2%1", &m, &t, &o), "702");
}

TEST(Format, MissingArgumentsShowMarkers)
{
    int one = 1;
    TFormatObject<int> a(one);
    EXPECT_EQ(Expand("%2", &a), "<MISSING PARAM>");
    EXPECT_EQ(Expand("%0 %4 %9", &a, &a, &a), "<MISSING PARAM> <MISSING PARAM> <MISSING PARAM>");
    EXPECT_EQ(Expand("x%1y"), "x<MISSING PARAM>y");
}

TEST(Format, OnlyOneDigitFollowsThePercentSign)
{
    int seven = 7;
    TFormatObject<int> a(seven);
    EXPECT_EQ(Expand("%12", &a), "72");
}

TEST(Format, PercentEscapesAndInvalidMarkers)
{
    EXPECT_EQ(Expand("50%%"), "50%");
    EXPECT_EQ(Expand("50%"), "50%");
    EXPECT_EQ(Expand("%x!"), "<INVALID PARAM>!");
    EXPECT_EQ(Expand("%"), "%");
    EXPECT_EQ(Expand("%%%%"), "%%");
}

TEST(Format, NullAndEmptyFormats)
{
    EXPECT_EQ(Expand(nullptr), "<NULL FORMAT>");
    EXPECT_EQ(Expand(""), "");
}

TEST(Format, NumbersAndTextsWriteThemselves)
{
    int negative = -5;
    unsigned largest = UINT_MAX;
    TFormatObject<int> n(negative);
    TFormatObject<unsigned> u(largest);
    EXPECT_EQ(Expand("%1", &n), "-5");
    EXPECT_EQ(Expand("%1", &u), "4294967295");

    std::string word = "stars";
    TFormatObject<std::string> w(word);
    EXPECT_EQ(Expand("free the %1", &w), "free the stars");
}

TEST(Format, StreamFormWritesToAnyStream)
{
    std::ostringstream stream;
    stream << "[";
    unsigned v = 9;
    TFormatObject<unsigned> a(v);
    FormatToStream(stream, "%1]", &a, nullptr, nullptr);
    EXPECT_EQ(stream.str(), "[9]");
}

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win_resources.h"

namespace {

std::string ReadFile(const char* name)
{
    std::ifstream in(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ResourceBytes(const char* name, const char* type)
{
    HRSRC found = FindResourceA(nullptr, name, type);
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* data = LockResource(loaded);
    DWORD size = SizeofResource(nullptr, found);
    if (!data)
        return "<null>";
    return std::string(static_cast<const char*>(data), size);
}

} // namespace

TEST(Resources, FoundByAnyLetterCase)
{
    std::string expected = ReadFile("probe.bin");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ResourceBytes("probe", "PNG"), expected);
    EXPECT_EQ(ResourceBytes("PROBE", "png"), expected);
    EXPECT_EQ(ResourceBytes("tone", "wav"), ReadFile("tone.bin"));
}

TEST(Resources, WrongTypeOrNameGivesNull)
{
    EXPECT_EQ(FindResourceA(nullptr, "probe", "WAV"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "nothing", "PNG"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, nullptr, "PNG"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "probe", nullptr), nullptr);
    // Every later step passes the null along instead of crashing.
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

TEST(Resources, EmptyFileIsAnEmptyResource)
{
    HRSRC found = FindResourceA(nullptr, "EMPTY", "MID");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 0u);
    EXPECT_NE(LockResource(LoadResource(nullptr, found)), nullptr);
}

#include "settings/registry_key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_registry.h"

namespace qp {
namespace {

using test::FakeRegistry;
using test::RegOp;

constexpr RegHandle kHkeyClassesRoot = 0x80000000u;
const char* const kSub = "HKCU\\Software\\Test\\Sub";

class RegistryKeyTest : public ::testing::Test {
protected:
    // Every key a test made is gone by now: each handle must have been closed once.
    void TearDown() override {
        EXPECT_EQ(reg.OpenHandleCount(), 0u);
        EXPECT_EQ(reg.BadCloses(), 0);
    }

    std::vector<std::string> Trace(std::initializer_list<RegOp> ops) const {
        return reg.Trace(ops);
    }

    FakeRegistry reg;
};

TEST_F(RegistryKeyTest, OpensTheSoftwareKeyOfTheCurrentUserAndHasNoSubKeyYet) {
    RegistryKey key(reg, Direction::Load);
    ASSERT_EQ(reg.calls().size(), 1u);
    EXPECT_EQ(reg.calls()[0].op, RegOp::Open);
    EXPECT_EQ(reg.calls()[0].key, "HKCU");
    EXPECT_EQ(reg.calls()[0].name, "software");

    std::string text = "kept";
    EXPECT_EQ(key.TransferString("X", text), kErrorInvalidHandle);
    EXPECT_EQ(text, "kept");
}

TEST_F(RegistryKeyTest, SaveWritesTypedValuesAndLoadReadsThemBack) {
    {
        RegistryKey key(reg, Direction::Save);
        key.OpenSubKey("Test\\Sub");
        std::string text = "hello";
        std::string empty;
        int32_t number = -5;
        EXPECT_EQ(key.TransferString("Text", text), kErrorSuccess);
        EXPECT_EQ(key.TransferString("Empty", empty), kErrorSuccess);
        EXPECT_EQ(key.TransferDword("Number", number), kErrorSuccess);
    }
    auto text = reg.Get(kSub, "Text");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, kRegSz);
    EXPECT_EQ(text->data, (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', 0}));
    auto empty = reg.Get(kSub, "Empty");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->type, kRegSz);
    EXPECT_EQ(empty->data, std::vector<uint8_t>{0});
    EXPECT_EQ(reg.GetDword(kSub, "Number"), 0xFFFFFFFBu);

    RegistryKey key(reg, Direction::Load);
    key.OpenSubKey("test\\SUB");
    std::string readText = "old";
    std::string readEmpty = "old";
    int32_t readNumber = 0;
    EXPECT_EQ(key.TransferString("text", readText), kErrorSuccess);
    EXPECT_EQ(key.TransferString("Empty", readEmpty), kErrorSuccess);
    EXPECT_EQ(key.TransferDword("NUMBER", readNumber), kErrorSuccess);
    EXPECT_EQ(readText, "hello");
    EXPECT_EQ(readEmpty, "");
    EXPECT_EQ(readNumber, -5);
}

TEST_F(RegistryKeyTest, LongTextRoundTrips) {
    std::string big(100 * 1024, ' ');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    {
        RegistryKey key(reg, Direction::Save);
        key.OpenSubKey("Test\\Sub");
        key.TransferString("Big", big);
    }
    RegistryKey key(reg, Direction::Load);
    key.OpenSubKey("Test\\Sub");
    std::string read;
    EXPECT_EQ(key.TransferString("Big", read), kErrorSuccess);
    EXPECT_EQ(read, big);
}

TEST_F(RegistryKeyTest, LoadFromAMissingSubKeyCreatesItEmptyAndChangesNothing) {
    {
        RegistryKey key(reg, Direction::Load);
        key.OpenSubKey("Test\\Sub");
        std::string text = "kept";
        int32_t number = 7;
        EXPECT_EQ(key.TransferString("Text", text), kErrorFileNotFound);
        EXPECT_EQ(key.TransferDword("Number", number), kErrorFileNotFound);
        EXPECT_EQ(text, "kept");
        EXPECT_EQ(number, 7);
    }
    EXPECT_TRUE(reg.KeyExists(kSub));
    EXPECT_EQ(reg.ValueCount(kSub), 0u);
    EXPECT_TRUE(reg.CallsOf(RegOp::Flush).empty());
    EXPECT_TRUE(reg.CallsOf(RegOp::Set).empty());
}

TEST_F(RegistryKeyTest, TextOfAnotherTypeLeavesTheVariableButSucceeds) {
    reg.PutString(kSub, "Expand", "%TEMP%", kRegExpandSz);
    reg.Put(kSub, "Binary", kRegBinary, {'a', 'b', 0});
    reg.PutDword(kSub, "Number", 3);
    RegistryKey key(reg, Direction::Load);
    key.OpenSubKey("Test\\Sub");
    for (const char* name : {"Expand", "Binary", "Number"}) {
        std::string text = "kept";
        EXPECT_EQ(key.TransferString(name, text), kErrorSuccess) << name;
        EXPECT_EQ(text, "kept") << name;
    }
}

TEST_F(RegistryKeyTest, NumberOfAnotherTypeLeavesTheVariable) {
    reg.PutString(kSub, "Short", "1");
    reg.PutString(kSub, "Long", "12345678");
    reg.Put(kSub, "Binary", kRegBinary, {1, 0, 0, 0});
    RegistryKey key(reg, Direction::Load);
    key.OpenSubKey("Test\\Sub");
    int32_t number = 42;
    EXPECT_EQ(key.TransferDword("Short", number), kErrorSuccess);
    EXPECT_EQ(key.TransferDword("Binary", number), kErrorSuccess);
    EXPECT_EQ(key.TransferDword("Long", number), kErrorMoreData);
    EXPECT_EQ(number, 42);
}

TEST_F(RegistryKeyTest, TextIsReadUpToItsFirstNulAndNeedsNoStoredNul) {
    reg.Put(kSub, "Embedded", kRegSz, {'a', 'b', 0, 'c', 'd', 0});
    reg.Put(kSub, "Unterminated", kRegSz, {'x', 'y', 'z'});
    RegistryKey key(reg, Direction::Load);
    key.OpenSubKey("Test\\Sub");
    std::string embedded;
    std::string unterminated;
    EXPECT_EQ(key.TransferString("Embedded", embedded), kErrorSuccess);
    EXPECT_EQ(key.TransferString("Unterminated", unterminated), kErrorSuccess);
    EXPECT_EQ(embedded, "ab");
    EXPECT_EQ(unterminated, "xyz");
}

TEST_F(RegistryKeyTest, AnUnknownHiveKeepsRootAndSubKey) {
    RegistryKey key(reg, Direction::Save);
    key.OpenSubKey("Test\\Sub");
    reg.ClearLog();
    EXPECT_EQ(key.SetRoot(kHkeyClassesRoot), 1);
    EXPECT_TRUE(reg.calls().empty());
    int32_t number = 1;
    EXPECT_EQ(key.TransferDword("Number", number), kErrorSuccess);
    EXPECT_EQ(reg.GetDword(kSub, "Number"), 1u);
}

TEST_F(RegistryKeyTest, AHiveChangeFlushesAWrittenRootBeforeClosingIt) {
    {
        RegistryKey key(reg, Direction::Save);
        key.OpenSubKey("Test\\Sub");
        std::string text = "t";
        key.TransferString("Text", text);
        EXPECT_EQ(key.SetRoot(kHkeyLocalMachine), 1);
        key.OpenSubKey("Test\\Sub");
        key.TransferString("Text", text);
    }
    EXPECT_EQ(Trace({RegOp::Open, RegOp::Create, RegOp::Flush, RegOp::Close}),
              (std::vector<std::string>{
                  "Open HKCU:software",
                  "Create HKCU\\Software:Test\\Sub",
                  "Flush HKCU\\Software",
                  "Close HKCU\\Software\\Test\\Sub",
                  "Close HKCU\\Software",
                  "Open HKLM:software",
                  "Create HKLM\\Software:Test\\Sub",
                  "Flush HKLM\\Software",
                  "Close HKLM\\Software\\Test\\Sub",
                  "Close HKLM\\Software",
              }));
}

TEST_F(RegistryKeyTest, OnlyARootWrittenSinceItWasOpenedIsFlushed) {
    {
        RegistryKey key(reg, Direction::Save);
        key.OpenSubKey("Test\\Sub");
        std::string text = "t";
        key.TransferString("Text", text);
        key.SetRoot(kHkeyLocalMachine);
        key.OpenSubKey("Test\\Sub");
    }
    auto flushes = reg.CallsOf(RegOp::Flush);
    ASSERT_EQ(flushes.size(), 1u);
    EXPECT_EQ(flushes[0].key, "HKCU\\Software");
}

TEST_F(RegistryKeyTest, AFailedWriteStillCountsAsWritten) {
    reg.FailSet("Text");
    {
        RegistryKey key(reg, Direction::Save);
        key.OpenSubKey("Test\\Sub");
        std::string text = "t";
        EXPECT_EQ(key.TransferString("Text", text), kErrorAccessDenied);
    }
    EXPECT_FALSE(reg.Get(kSub, "Text"));
    EXPECT_EQ(reg.CallsOf(RegOp::Flush).size(), 1u);
}

TEST_F(RegistryKeyTest, ALoadNeverFlushes) {
    reg.PutString(kSub, "Text", "t");
    {
        RegistryKey key(reg, Direction::Load);
        key.OpenSubKey("Test\\Sub");
        std::string text;
        key.TransferString("Text", text);
        key.SetRoot(kHkeyLocalMachine);
        key.OpenSubKey("Test\\Sub");
        key.TransferString("Text", text);
    }
    EXPECT_TRUE(reg.CallsOf(RegOp::Flush).empty());
}

TEST_F(RegistryKeyTest, OpeningAnotherSubKeyClosesThePreviousOneFirst) {
    RegistryKey key(reg, Direction::Load);
    key.OpenSubKey("Test\\Sub");
    key.OpenSubKey("Test\\Other");
    EXPECT_EQ(Trace({RegOp::Create, RegOp::Close}),
              (std::vector<std::string>{
                  "Create HKCU\\Software:Test\\Sub",
                  "Close HKCU\\Software\\Test\\Sub",
                  "Create HKCU\\Software:Test\\Other",
              }));
}

TEST_F(RegistryKeyTest, WhenTheSubKeyCannotBeCreatedValuesGoUnderSoftware) {
    reg.FailCreate();
    {
        RegistryKey key(reg, Direction::Save);
        key.OpenSubKey("Test\\Sub");
        int32_t number = 9;
        EXPECT_EQ(key.TransferDword("Number", number), kErrorSuccess);
        key.OpenSubKey("Test\\Other");
    }
    EXPECT_FALSE(reg.KeyExists(kSub));
    EXPECT_EQ(reg.GetDword("HKCU\\Software", "Number"), 9u);
    auto closes = reg.CallsOf(RegOp::Close);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].key, "HKCU\\Software");
}

TEST_F(RegistryKeyTest, WithoutARootTransfersFailAndNothingIsTouched) {
    reg.DenyOpen(kHkeyLocalMachine);
    reg.PutString("HKLM\\Software\\Test\\Sub", "Text", "stored");
    RegistryKey key(reg, Direction::Save);
    EXPECT_EQ(key.SetRoot(kHkeyLocalMachine), 0);
    EXPECT_EQ(key.SetRoot(kHkeyClassesRoot), 0);
    key.OpenSubKey("Test\\Sub");
    std::string text = "new";
    int32_t number = 3;
    EXPECT_EQ(key.TransferString("Text", text), kErrorInvalidHandle);
    EXPECT_EQ(key.TransferDword("Number", number), kErrorInvalidHandle);
    EXPECT_EQ(reg.GetString("HKLM\\Software\\Test\\Sub", "Text"), "stored");
    EXPECT_EQ(reg.ValueCount("HKLM\\Software\\Test\\Sub"), 1u);
    EXPECT_TRUE(reg.CallsOf(RegOp::Flush).empty());

    RegistryKey loader(reg, Direction::Load);
    loader.SetRoot(kHkeyLocalMachine);
    loader.OpenSubKey("Test\\Sub");
    std::string read = "kept";
    EXPECT_EQ(loader.TransferString("Text", read), kErrorInvalidHandle);
    EXPECT_EQ(read, "kept");
}

}  // namespace
}  // namespace qp

#include "i18n/language_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_language_source.h"

namespace qp {
namespace {

using test::FakeLanguageSource;
using test::IniSection;

const std::string kCurrentFile = "C:\\Work\\Language.ini";
const std::string kSystemFile = "C:\\windows\\system32\\Language.ini";

IniSection FullSection(const std::string& tag) {
    IniSection section;
    for (int key = 1; key <= 19; ++key) section["t" + std::to_string(key)] = tag + std::to_string(key);
    return section;
}

class LanguageLoaderTest : public ::testing::Test {
protected:
    void Load(const std::string& code) { LoadLanguageTable(source, code, table); }

    void ExpectEnglish() const {
        for (int key = 1; key <= 19; ++key) {
            EXPECT_EQ(table.Text(key), DefaultLanguageText(key)) << "t" << key;
        }
    }

    FakeLanguageSource source;
    LanguageTable table;
};

TEST_F(LanguageLoaderTest, NoFileInEitherFolderTellsTheUserOnceAndUsesEnglish) {
    Load("041D");
    EXPECT_EQ(source.messages, 1);
    EXPECT_EQ(source.opened, (std::vector<std::string>{kCurrentFile, kSystemFile}));
    ExpectEnglish();
    EXPECT_EQ(table.Text(1), "");
    // The reads still go to the system directory's path.
    ASSERT_FALSE(source.reads.empty());
    EXPECT_EQ(source.reads.front().path, kSystemFile);
}

TEST_F(LanguageLoaderTest, ReadsKeysT0ToT20OfTheLanguagesSection) {
    source.files[kCurrentFile]["Swedan"] = FullSection("sv");
    Load("041D");
    ASSERT_EQ(source.reads.size(), 21u);
    for (int key = 0; key <= 20; ++key) {
        EXPECT_EQ(source.reads[key].key, "t" + std::to_string(key));
        EXPECT_EQ(source.reads[key].section, "Swedan");
        EXPECT_EQ(source.reads[key].path, kCurrentFile);
    }
    for (int key = 1; key <= 19; ++key) EXPECT_EQ(table.Text(key), "sv" + std::to_string(key));
    EXPECT_EQ(source.messages, 0);
}

TEST_F(LanguageLoaderTest, TheCurrentDirectoryIsPreferredToTheSystemDirectory) {
    source.files[kCurrentFile]["German"] = FullSection("current");
    source.files[kSystemFile]["German"] = FullSection("system");
    Load("0407");
    EXPECT_EQ(table.Text(1), "current1");
    EXPECT_EQ(table.Text(19), "current19");
    EXPECT_EQ(source.opened, std::vector<std::string>{kCurrentFile});
}

TEST_F(LanguageLoaderTest, TheSystemDirectoryIsUsedWhenTheCurrentOneHasNoFile) {
    source.files[kSystemFile]["UK"] = FullSection("uk");
    Load("0409");
    EXPECT_EQ(table.Text(7), "uk7");
    EXPECT_EQ(source.messages, 0);
}

TEST_F(LanguageLoaderTest, ACurrentDirectoryTooLongToReadCountsAsNoFileThere) {
    source.currentDirectory.reset();
    source.files[kSystemFile]["UK"] = FullSection("uk");
    Load("0409");
    EXPECT_EQ(source.opened, std::vector<std::string>{kSystemFile});
    EXPECT_EQ(table.Text(3), "uk3");
    EXPECT_EQ(source.messages, 0);
}

TEST_F(LanguageLoaderTest, AMissingSectionGivesEnglishWithoutAMessage) {
    source.files[kCurrentFile]["UK"] = FullSection("uk");
    Load("0407");
    EXPECT_EQ(source.messages, 0);
    ExpectEnglish();
}

TEST_F(LanguageLoaderTest, ASectionWithoutT1GivesEnglish) {
    IniSection german = FullSection("de");
    german.erase("t1");
    source.files[kCurrentFile]["German"] = german;
    Load("0407");
    ExpectEnglish();
}

TEST_F(LanguageLoaderTest, AnEmptyT1KeepsTheEmptyTitleAndTheSectionsTexts) {
    IniSection german = FullSection("de");
    german["t1"] = "";
    source.files[kCurrentFile]["German"] = german;
    Load("0407");
    EXPECT_EQ(table.Text(1), "");
    EXPECT_EQ(table.Text(2), "de2");
    EXPECT_EQ(table.Text(19), "de19");
}

TEST_F(LanguageLoaderTest, AT1OfExactlyNoneCountsAsMissing) {
    IniSection german = FullSection("de");
    german["t1"] = "None";
    source.files[kCurrentFile]["German"] = german;
    Load("0407");
    ExpectEnglish();
}

TEST_F(LanguageLoaderTest, OnlyAnExactNoneInT1CountsAsMissing) {
    IniSection german = FullSection("de");
    german["t1"] = "none";
    source.files[kCurrentFile]["German"] = german;
    Load("0407");
    EXPECT_EQ(table.Text(1), "none");
    EXPECT_EQ(table.Text(2), "de2");
}

TEST_F(LanguageLoaderTest, WithT1PresentAMissingKeyReadsNone) {
    IniSection german = FullSection("de");
    german.erase("t5");
    source.files[kCurrentFile]["German"] = german;
    Load("0407");
    EXPECT_EQ(table.Text(1), "de1");
    EXPECT_EQ(table.Text(5), "None");
    EXPECT_EQ(table.Text(6), "de6");
}

TEST_F(LanguageLoaderTest, ALongTextIsCutTo259Characters) {
    IniSection uk = FullSection("uk");
    const std::string longText(300, 'x');
    uk["t2"] = longText;
    source.files[kCurrentFile]["UK"] = uk;
    Load("0409");
    EXPECT_EQ(table.Text(2), longText.substr(0, 259));
}

TEST_F(LanguageLoaderTest, CodesWithoutASectionOfTheirOwnReadUK) {
    source.files[kCurrentFile]["UK"] = FullSection("uk");
    source.files[kCurrentFile]["Spanish"] = FullSection("es");
    Load("0419");
    EXPECT_EQ(table.Text(4), "uk4");
    Load("0C0A");
    EXPECT_EQ(table.Text(4), "es4");
}

}  // namespace
}  // namespace qp

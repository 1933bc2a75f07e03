// Faults the fuzz targets found in the reader and the writer, kept as plain
// tests so that both builds catch them without the clang fuzzing tree.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "config/configwriter.h"
#include "config/linetokens.h"
#include "readerfixture.h"

namespace {

class FuzzFound : public ReaderFixture {
protected:
    // Reads text as start-up does and rewrites it as Apply does; the text
    // written.
    std::string Rewrite(const std::string& text) {
        EXPECT_EQ(Read(text), 0);
        SectionMap map;
        EXPECT_EQ(SearchSection(configPath, &map), 0);
        EXPECT_EQ(SetConfig(configPath, map, WriteValues{deviceList, calibPointsNum, 1, 0, 0}), 0);
        std::ifstream in(configPath, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        ResetDeviceState();
        return out.str();
    }
};

TEST_F(FuzzFound, KeptSectionAtTheEndWithoutLineEndGetsItsBlankLineAtOnce) {
    const std::string keyboard =
        "Section \"InputDevice\"\n\tIdentifier \"Keyboard0\"\n\tDriver \"kbd\"\nEndSection";
    const std::string once = Rewrite(keyboard);
    EXPECT_EQ(once, keyboard + "\n\n");
    EXPECT_EQ(Rewrite(once), once);

    // The same with the driver's sections following it.
    const std::string withPanel = std::string("Section \"InputDevice\"\n\tIdentifier \"P\"\n") +
                                  "\tDriver \"tavir\"\nEndSection\n\n" + keyboard;
    const std::string first = Rewrite(withPanel);
    EXPECT_EQ(first.compare(0, keyboard.size() + 2, keyboard + "\n\n"), 0) << first;
    EXPECT_EQ(Rewrite(first), first);
}

TEST_F(FuzzFound, QuotedNameEndsAtNulByte) {
    std::string quoted;
    const std::string cut("\tIdentifier \"TAVIR Tou\0chPanel1\"\n", 33);
    EXPECT_FALSE(cfgline::FirstQuotedText(cut.data(), cut.size(), &quoted));
    const std::string before("\tIdentifier \"A\"\0\"B\"\n", 20);
    ASSERT_TRUE(cfgline::FirstQuotedText(before.data(), before.size(), &quoted));
    EXPECT_EQ(quoted, "\"A\"");

    // A section whose name is cut by a NUL byte is written with a whole
    // name of the program's own, never with an unclosed quote.
    const std::string text = "Section \"InputDevice\"\n" + cut + "\tDriver \"tavir\"\nEndSection\n";
    const std::string once = Rewrite(text);
    EXPECT_NE(once.find("\tIdentifier \"TAVIR TouchPanel0\"\n"), std::string::npos) << once;
    EXPECT_EQ(once.find("Tou\n"), std::string::npos);
    EXPECT_EQ(Rewrite(once), once);
}

}  // namespace

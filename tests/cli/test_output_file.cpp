// The output file of tessel-cli: when it writes, and how a failure reads.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "cli/output_file.h"
#include "cli_child.h"
#include "foundation/temp_dir.h"

namespace {

TEST(OutputFile, WritesInBlocksOnFlushAndOnClose) {
    TcTempDir folder;
    const std::string path = folder.File("out.txt");
    TcOutputFile file(path);
    ASSERT_EQ(file.Failure(), "");
    std::ostream out(&file);
    out << "one line\n";
    EXPECT_EQ(ReadFile(path), "") << "a line alone stays in the buffer";
    out.flush();
    EXPECT_EQ(ReadFile(path), "one line\n");
    // A full block goes out without a flush; rows are never written singly.
    const std::string row(99, 'r');
    for (int i = 0; i < 1000; ++i) out << row << '\n';
    const size_t written = ReadFile(path).size();
    EXPECT_GE(written, 64u * 1024u);
    EXPECT_LT(written, 9u + 1000u * 100u);
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadFile(path).size(), 9u + 1000u * 100u);
    EXPECT_TRUE(file.Close()) << "a second close changes nothing";
}

TEST(OutputFile, FailuresNameTheFileAndTheSystemsReason) {
    TcTempDir folder;
    TcOutputFile missing(folder.File("none/x.txt"));
    EXPECT_EQ(missing.Failure(), "Cannot write the output file " + folder.File("none/x.txt") +
                                     ". No such file or directory.");

    TcOutputFile full("/dev/full");
    std::ostream out(&full);
    EXPECT_EQ(full.Failure(), "");
    out << "lost\n";
    EXPECT_FALSE(full.Flush());
    const std::string failure = "Cannot write the output file /dev/full. No space left on device.";
    EXPECT_EQ(full.Failure(), failure);
    out.clear();
    out << "more\n";  // dropped; the first failure stays
    EXPECT_FALSE(full.Close());
    EXPECT_EQ(full.Failure(), failure);
}

}  // namespace

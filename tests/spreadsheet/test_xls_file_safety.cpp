// What XLS CREATE, XLS OPEN and XLS CLOSE do to the files they are given:
// only regular files are read or written; a link is followed, never
// replaced; the written file keeps the old one's mode and owner; no file of
// the user's is taken over; a failed write names its reason and leaves the
// old file whole.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "support/expect_error.h"
#include "workbook_test_support.h"
#include "xls_fixture.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

void WriteText(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

struct stat StatOf(const std::string& file) {
    struct stat status {};
    EXPECT_EQ(::lstat(file.c_str(), &status), 0) << file;
    return status;
}

// The names in a folder.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The text of cell A1 of a workbook file, read by our reader.
std::string FirstCell(const std::string& file) {
    TcWorkbook book;
    book.Filename = file;
    book.ReadWorkbook();
    const TcCell* cell = book.Sheets()[0].Cell(0, 0);
    return cell ? cell->Text : "";
}

const std::string kNotRegular =
    " is not a regular file; a workbook is read from and written to regular files only.";

class FileSafety : public XlsEngine {
  protected:
    // XLS CREATE; XLS ECHO text; XLS CLOSE.
    void CreateEchoClose(const std::string& file, const std::string& text) {
        engine->ExecuteStatement("XLS CREATE '" + file + "'");
        engine->ExecuteStatement("XLS ECHO " + text);
        engine->ExecuteStatement("XLS CLOSE");
    }
};

TEST_F(FileSafety, ADeviceNodeIsRefusedAndStays) {
    const std::string node = File("null");
    if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "making a device node needs root: " << std::strerror(errno);
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS CREATE '" + node + "'"),
                  node + kNotRegular);
    EXPECT_TRUE(S_ISCHR(StatOf(node).st_mode));
    EXPECT_EQ(major(StatOf(node).st_rdev), 1u);
    EXPECT_EQ(Names(folder.Path()), std::set<std::string>{"null"});
}

TEST_F(FileSafety, AFifoIsRefusedForWritingAndReading) {
    const std::string fifo = File("pipe.xls");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS CREATE '" + fifo + "'"),
                  fifo + kNotRegular);
    // Opening must not wait for a writer at the other end.
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS OPEN '" + fifo + "'"),
                  fifo + kNotRegular);
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
}

TEST_F(FileSafety, DevZeroIsRefusedNotRead) {
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS OPEN '/dev/zero'"),
                  "/dev/zero" + kNotRegular);
    EXPECT_FALSE(engine->WorkbookPending());
}

TEST_F(FileSafety, AFolderIsADirectory) {
    const std::string sub = File("folder.xls");
    fs::create_directory(sub);
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS OPEN '" + sub + "'"),
                  sub + " is a directory.");
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS CREATE '" + sub + "'"),
                  sub + " is a directory.");
    EXPECT_TRUE(fs::is_directory(sub));
}

TEST_F(FileSafety, AFileFarLargerThanAnyWorkbookIsRefusedBeforeItIsRead) {
    const std::string big = File("big.xls");
    WriteText(big, "");
    fs::resize_file(big, uint64_t{300} << 20);  // sparse: no disk used
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS OPEN '" + big + "'"),
                  big +
                      " is too large for an Excel 97 workbook (300 MB; at most 256 MB are "
                      "read).");
}

TEST_F(FileSafety, ASymbolicLinkIsFollowedAndStaysALink) {
    const std::string real = File("real.xls");
    CreateEchoClose(real, "old");
    fs::create_directory(File("links"));
    const std::string link = File("links/link.xls");
    fs::create_symlink("../real.xls", link);  // relative to the link's folder

    CreateEchoClose(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../real.xls");
    EXPECT_EQ(FirstCell(real), "new");

    // A link to a file that is not there yet makes it.
    const std::string dangling = File("dangling.xls");
    fs::create_symlink("made.xls", dangling);
    CreateEchoClose(dangling, "made");
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(FirstCell(File("made.xls")), "made");
    EXPECT_EQ(Names(File("links")), std::set<std::string>{"link.xls"});
}

// A rename would give the new workbook to one name only; the file is refused
// before anything is captured, and both names keep the old content.
TEST_F(FileSafety, AFileWithHardLinksIsRefused) {
    const std::string file = File("book.xls");
    CreateEchoClose(file, "old");
    const std::string other = File("other name.xls");
    fs::create_hard_link(file, other);
    EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS CREATE '" + file + "'"),
                  file +
                      " has 2 hard links; a workbook is written as a new file, which would "
                      "part them. Write it under another name or remove the other links.");
    EXPECT_RAISES_CONTAINING(EWorkbookError, engine->ExecuteStatement("XLS OPEN '" + other + "'"),
                             "has 2 hard links");
    EXPECT_EQ(fs::hard_link_count(file), 2u);
    EXPECT_EQ(FirstCell(other), "old");
}

TEST_F(FileSafety, TheWrittenFileKeepsModeAndOwner) {
    const std::string file = File("private.xls");
    CreateEchoClose(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(file.c_str(), 4321, 8765), 0);
    }

    CreateEchoClose(file, "new");
    EXPECT_EQ(FirstCell(file), "new");
    EXPECT_EQ(StatOf(file).st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(StatOf(file).st_uid, 4321u);
        EXPECT_EQ(StatOf(file).st_gid, 8765u);
    }
}

TEST_F(FileSafety, ANewFileTakesTheUmaskMode) {
    const mode_t mask = ::umask(027);
    const std::string file = File("new.xls");
    CreateEchoClose(file, "new");
    ::umask(mask);
    EXPECT_EQ(StatOf(file).st_mode & 07777, 0640u);
}

TEST_F(FileSafety, TheUsersTmpFileIsLeftAlone) {
    const std::string file = File("book.xls");
    WriteText(file + ".tmp", "mine");
    CreateEchoClose(file, "new");
    EXPECT_EQ(ReadFileBytes(file + ".tmp"), TBytes({'m', 'i', 'n', 'e'}));
    EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"book.xls", "book.xls.tmp"}));
}

// A file size limit makes the write fail whoever runs the test; the message
// names the reason, the old file is whole and no temporary file is left.
TEST_F(FileSafety, AFailedWriteNamesItsReasonAndKeepsTheOldFile) {
    const std::string file = File("book.xls");
    CreateEchoClose(file, "old");
    const TBytes before = ReadFileBytes(file);
    engine->ExecuteStatement("XLS CREATE '" + file + "'");
    engine->ExecuteStatement("XLS ECHO new");
    {
        TcFileSizeLimit limit(1024);
        EXPECT_RAISES(EWorkbookError, engine->ExecuteStatement("XLS CLOSE"),
                      "Cannot write '" + file + "': File too large.");
    }
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(Names(folder.Path()), std::set<std::string>{"book.xls"});
    EXPECT_TRUE(engine->WorkbookPending());
    engine->ExecuteStatement("XLS CLOSE");
    EXPECT_EQ(FirstCell(file), "new");
}

}  // namespace

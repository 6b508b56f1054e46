// The application's engine without a window: EXECUTE PROGRAM and the process
// runner under it, as tessel-cli uses them.

#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#include <atomic>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/run_program.h"
#include "app/tessel.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "support/expect_error.h"

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct SplitCase {
    const char* Name;
    const char* Line;
    std::vector<std::string> Words;
};

const SplitCase kSplitCases[] = {
    {"blanks separate", "prog  a\tb ", {"prog", "a", "b"}},
    {"single quotes keep blanks", "prog 'a b' c", {"prog", "a b", "c"}},
    {"double quotes group and escape", R"(prog "a \"b\" c")", {"prog", R"(a "b" c)"}},
    {"backslash outside quotes", R"(prog a\ b)", {"prog", "a b"}},
    {"quotes join a word", "pr'o'g", {"prog"}},
    {"empty quotes are a word", "prog ''", {"prog", ""}},
    {"nothing", "   ", {}},
};

TEST(SplitCommandLine, SplitsAsAShellSplitsWords) {
    for (const SplitCase& c : kSplitCases) EXPECT_EQ(SplitCommandLine(c.Line), c.Words) << c.Name;
}

TEST(SplitCommandLine, RefusesAnUnterminatedQuote) {
    EXPECT_RAISES(EExecuteApplication, SplitCommandLine("prog 'a"), "Unterminated quote.");
    EXPECT_RAISES(EExecuteApplication, SplitCommandLine("prog \"a"), "Unterminated quote.");
}

TEST(RunProgram, AnswersTheExitStatusOfTheProgram) {
    EXPECT_EQ(RunProgram("sh", "-c 'exit 3'", true, ""), 3);
    EXPECT_EQ(RunProgram("true", "", true, ""), 0);
}

TEST(RunProgram, RunsInTheGivenDirectoryWithoutMovingTheCaller) {
    TcTempDir folder;
    const std::string before = std::filesystem::current_path();
    EXPECT_EQ(RunProgram("sh", "-c 'pwd > here.txt'", true, folder.Path()), 0);
    EXPECT_EQ(std::filesystem::current_path(), before);
    std::ifstream written(folder.File("here.txt"));
    std::string line;
    std::getline(written, line);
    EXPECT_EQ(std::filesystem::canonical(line), std::filesystem::canonical(folder.Path()));
}

TEST(RunProgram, AMissingProgramFailsNamingTheProgramAndTheSystemsMessage) {
    EXPECT_RAISES_EXACTLY(EExecuteApplication, RunProgram("no-such-program-tessel", "", true, ""),
                          std::string("no-such-program-tessel: ") + std::strerror(ENOENT));
}

// The program writes its process id and then waits; once the waiting stops
// it is ended and reaped, not left running.
TEST(RunProgram, StoppedWaitingEndsTheProgram) {
    TcTempDir folder;
    const std::string pidFile = folder.File("pid");
    int looks = 0;
    EXPECT_THROW(RunProgram("sh", "-c 'echo $$ > " + pidFile + "; exec sleep 1000'", true, "",
                            [&] {
                                return ++looks < 2 || !std::filesystem::exists(pidFile) ||
                                       std::filesystem::file_size(pidFile) == 0;
                            }),
                 EStatementCancelled);
    const pid_t program = std::stoi(ReadWholeFile(pidFile));
    EXPECT_EQ(kill(program, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

// The stop descriptor, readable, stops the waiting as KeepWaiting does.
TEST(RunProgram, AReadableStopDescriptorEndsTheProgram) {
    int stop[2];
    ASSERT_EQ(pipe(stop), 0);
    ASSERT_EQ(write(stop[1], "x", 1), 1);
    EXPECT_THROW(RunProgram("sleep", "1000", true, "", {}, stop[0]), EStatementCancelled);
    close(stop[0]);
    close(stop[1]);
}

TEST(RunProgram, TheProgramGetsSignalsThatTheCallerBlocks) {
    // As tessel-cli runs: SIGINT blocked in the thread that starts programs.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const int status = RunProgram("sh", "-c 'kill -INT $$; exit 0'", true, "");
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    EXPECT_EQ(status, -SIGINT);
}

// What RunProgram hands over to its output receiver, piece by piece.
struct TcReceived {
    std::vector<std::string> Pieces;
    TProgramOutput Receiver() {
        return [this](std::string_view lines) { Pieces.emplace_back(lines); };
    }
    // The program's text as lines, whatever the pieces were.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const std::string& piece : Pieces) {
            size_t start = 0;
            for (size_t end = piece.find('\n'); end != std::string::npos;
                 start = end + 1, end = piece.find('\n', start))
                lines.push_back(piece.substr(start, end - start));
            lines.push_back(piece.substr(start));
        }
        return lines;
    }
};

struct OutputCase {
    const char* Name;
    const char* Script;  // for sh -c
    std::vector<std::string> Lines;
};

const OutputCase kOutputCases[] = {
    {"standard output and error, in order",
     "echo one; echo two >&2; echo three",
     {"one", "two", "three"}},
    {"empty lines are lines", "printf 'a\\n\\nb\\n'", {"a", "", "b"}},
    {"one empty line", "echo", {""}},
    {"the text after the last line feed", "printf 'a\\nno end'", {"a", "no end"}},
    {"nothing", "true", {}},
    {"a failing program's words", "echo why >&2; exit 4", {"why"}},
};

TEST(RunProgram, HandsWhatTheProgramWritesToTheReceiverInLines) {
    for (const OutputCase& c : kOutputCases) {
        TcReceived received;
        RunProgram("sh", std::string("-c \"") + c.Script + "\"", true, "", {}, -1,
                   received.Receiver());
        EXPECT_EQ(received.Lines(), c.Lines) << c.Name;
    }
}

// The program writes a line and goes on only once that line has reached
// the receiver (which leaves a mark); it gives up, saying so, after a while.
TEST(RunProgram, TheReceiverGetsEachLineWhileTheProgramRuns) {
    TcTempDir folder;
    const std::string mark = folder.File("seen");
    TcReceived received;
    const TProgramOutput receiver = [&](std::string_view lines) {
        received.Pieces.emplace_back(lines);
        if (lines == "first") std::ofstream(mark) << "seen";
    };
    RunProgram("sh",
               "-c 'echo first; for i in $(seq 2000); do [ -e " + mark +
                   " ] && echo second && exit 0; sleep 0.01; done; echo \"not seen\"'",
               true, "", {}, -1, receiver);
    EXPECT_EQ(received.Lines(), (std::vector<std::string>{"first", "second"}));
}

TEST(RunProgram, ALineWithoutEndComesInPieces) {
    TcReceived received;
    RunProgram("sh", "-c 'head -c 70000 /dev/zero | tr \"\\0\" x'", true, "", {}, -1,
               received.Receiver());
    ASSERT_EQ(received.Pieces.size(), 2u);
    EXPECT_EQ(received.Pieces[0], std::string(65536, 'x'));
    EXPECT_EQ(received.Pieces[1], std::string(70000 - 65536, 'x'));
}

class TesselEngine : public ::testing::Test {
  protected:
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcTessel engine;
};

TEST_F(TesselEngine, ExecuteProgramWaitsForTheProgramAndSaysDone) {
    TcTempDir folder;
    const std::string mark = folder.File("ran");
    engine.ExecuteScript("EXECUTE PROGRAM 'touch " + mark + "';");
    EXPECT_TRUE(std::filesystem::exists(mark));
    EXPECT_EQ(engine.LastMessage, "Done.");
}

TEST_F(TesselEngine, ExecuteProgramHandsTheProgramsOutputToItsReceiver) {
    TcReceived received;
    engine.OnProgramOutput = received.Receiver();
    engine.ExecuteScript("EXECUTE PROGRAM 'echo hello from a program';");
    EXPECT_EQ(received.Lines(), std::vector<std::string>{"hello from a program"});
    EXPECT_EQ(engine.LastMessage, "Done.");
}

TEST_F(TesselEngine, ExecuteProgramDropsEveryQuote) {
    TcTempDir folder;
    const std::string mark = folder.File("quoted");
    engine.ExecuteScript("EXECUTE PROGRAM \"touch\" '" + mark + "';");
    EXPECT_TRUE(std::filesystem::exists(mark));
}

TEST_F(TesselEngine, ExecuteProgramOfAMissingProgramEndsTheRunWithTheSystemsMessage) {
    EXPECT_RAISES_EXACTLY(EExecuteApplication,
                          engine.ExecuteScript("EXECUTE PROGRAM nosuchprogram; ECHO after;"),
                          std::string("nosuchprogram: ") + std::strerror(ENOENT));
    EXPECT_NE(engine.LastMessage, "after");
}

TEST_F(TesselEngine, ExecuteProgramStoppedWaitingEndsTheRunAsCancelled) {
    engine.KeepWaiting = [] { return false; };
    EXPECT_RAISES_EXACTLY(EStatementCancelled,
                          engine.ExecuteScript("EXECUTE PROGRAM 'sleep 1'; ECHO after;"),
                          "Cancelled.");
    EXPECT_NE(engine.LastMessage, "after");
}

TEST_F(TesselEngine, RegistersExecuteProgramLastWithItsHelp) {
    ASSERT_GT(engine.Commands.Count, 0);
    const TcPreparsedStatement& last = *engine.Commands[engine.Commands.Count - 1];
    EXPECT_EQ(last.Keyword(), "EXECUTE PROGRAM");
    EXPECT_EQ(last.SyntaxText, "'<program name>'");
    EXPECT_EQ(last.HelpText,
              "Runs the program <program name> and waits until the program finishes.");
}

TEST_F(TesselEngine, BannerNamesTheVersionAndTheTransactionMode) {
    engine.TransactionMode = TTransactionMode::ReadCommitted;
    const std::vector<std::string> lines = TesselBannerLines(engine);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Tessel " + TesselVersion() + ", ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "Transaction mode read committed.");
}

}  // namespace

// Programs that tessel-cli starts with EXECUTE PROGRAM: what they inherit,
// how their end is reported, where their output lands, and a signal while
// one runs.

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/temp_dir.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const char* const kLogin = " USER 'SYSDBA' PASSWORD 'x'";

// A script that creates an embedded database in the folder and leaves a
// row of an open transaction in it.
std::string CreatingScript(const std::string& database) {
    return "CREATE DATABASE '" + database + "'" + kLogin +
           ";\ncreate table t (a integer);\ninsert into t values (1);\n";
}

std::string RowCount(const std::string& database) {
    TcDBScripter_IB engine;
    engine.ExecuteScript("CONNECT '" + database + "'" + kLogin + "; select count(*) from t;");
    engine.View().First();
    return engine.View().ValueText(0);
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// ls lists its own descriptors: the standard three and the directory it
// reads, and nothing of the database (its file, the engine's lock files).
TEST(CliPrograms, AProgramGetsTheStandardHandlesAndNothingElse) {
    TcTempDir folder;
    const std::string database = folder.File("held.fdb");
    WriteFile(folder.File("fds.sql"),
              CreatingScript(database) + "EXECUTE PROGRAM 'ls -l /proc/self/fd';\n");
    const Outcome run = RunCli("fds.sql", folder.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Count(run.out, " -> "), 4u) << run.out;
    EXPECT_EQ(run.out.find("held.fdb"), std::string::npos) << run.out;
}

// EXECUTE PROGRAM drops every quote of its command line: what needs more
// than words is a shell script in the test's folder.
struct ProgramEndCase {
    const char* Name;
    const char* Script;  // the shell script run, when not empty
    const char* Program;
    const char* Error;  // the command's error on standard error
};

const ProgramEndCase kProgramEnds[] = {
    {"exit status", "", "false", "false ended with exit status 1."},
    {"status of a shell", "exit 7", "sh end.sh", "sh ended with exit status 7."},
    {"signal", "kill -KILL $$", "sh end.sh", "sh was ended by signal 9 (Killed)."},
    {"missing program", "", "no-such-program-tessel",
     "no-such-program-tessel: No such file or directory"},
};

// A program that fails fails the command, which ends the script with status 1.
TEST(CliPrograms, AFailingOrMissingProgramIsAFailedCommandThatSaysWhy) {
    for (const ProgramEndCase& c : kProgramEnds) {
        TcTempDir folder;
        WriteFile(folder.File("end.sh"), c.Script);
        WriteFile(folder.File("end.sql"),
                  std::string("EXECUTE PROGRAM '") + c.Program + "';\nECHO after;\n");
        const Outcome run = RunCli("end.sql", folder.Path());
        EXPECT_EQ(run.status, 1) << c.Name;
        EXPECT_EQ(run.err,
                  std::string("end.sql:1: EXECUTE PROGRAM '") + c.Program + "'\n" + c.Error + "\n")
            << c.Name;
        EXPECT_EQ(run.out.find("after"), std::string::npos) << c.Name;
    }
}

// Output written to a file is buffered; the program writes to the same
// file (standard output) and must come after what ran before it.
TEST(CliPrograms, OurOutputStandsBeforeTheProgramsOutput) {
    TcTempDir folder;
    WriteFile(folder.File("order.sql"),
              "ECHO before;\nEXECUTE PROGRAM 'echo from-the-program';\nECHO after;\n");
    const Outcome run = RunCli("order.sql", folder.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "before\nfrom-the-program\nDone.\nafter\n");
}

// A signal while the program runs: the program is ended, the transaction
// rolled back, and the run ends with the shell's status for the signal.
TEST(CliPrograms, ASignalWhileAProgramRunsEndsTheProgramAndTheRun) {
    Language = TLanguage::English;
    for (const int signal : {SIGINT, SIGTERM}) {
        TcTempDir folder;
        const std::string database = folder.File("program.fdb");
        WriteFile(folder.File("wait.sh"), "echo $$ started\nexec sleep 1000\n");
        WriteFile(folder.File("wait.sql"),
                  CreatingScript(database) + "EXECUTE PROGRAM 'sh wait.sh';\nECHO never;\n");
        TcCliChild child({"wait.sql"}, folder.Path());
        ASSERT_TRUE(child.WaitForOutput(" started\n")) << child.Output() << child.Errors();
        const std::string& output = child.Output();
        const size_t started = output.find(" started\n");
        const pid_t program = std::stoi(output.substr(output.rfind('\n', started) + 1));
        child.Signal(signal);
        const TcCliChild::TEnd end = child.Wait(std::chrono::seconds(60));
        ASSERT_TRUE(end.Ended) << "tessel-cli goes on waiting for the program";
        EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
        EXPECT_EQ(end.Status, 128 + signal) << child.Errors();
        // Ended and reaped by tessel-cli: the process is gone.
        EXPECT_EQ(kill(program, 0), -1);
        EXPECT_EQ(errno, ESRCH);
        EXPECT_EQ(child.Output().find("never"), std::string::npos);
        EXPECT_EQ(RowCount(database), "0");
    }
}

}  // namespace

// An output created new takes its name at the end of the run only if the
// name is still free: a file another program put there meanwhile stays.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "recording/OutputFile.h"
#include "tests/pilot/Scratch.h"

TEST(OutputFileCommit, ANewFileNeverReplacesWhatAnotherProgramCreatedThereMeanwhile) {
    const struct {
        bool appears; // someone else's file at the name before the commit
        const char* error;
        const char* left;
    } cases[] = {
        {false, "", "flight\n"},
        {true, "out.csv': File exists", "someone else's\n"},
    };
    for (const auto& c : cases) {
        Scratch directory;
        const std::string path = directory.file("out.csv");
        flight::OutputFile out;
        ASSERT_EQ(out.open(path), "");
        std::fputs("flight\n", out.stream());
        if (c.appears) {
            writeText(path, "someone else's\n");
        }
        const std::string reason = out.commit();
        EXPECT_EQ(reason.empty(), *c.error == '\0') << reason;
        EXPECT_NE(reason.find(c.error), std::string::npos) << reason;
        EXPECT_EQ(readText(path), c.left);
        EXPECT_EQ(directory.entryCount(""), 1); // no temporary left
    }
}

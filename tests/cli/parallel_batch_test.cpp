// `hopscale batch --jobs N` through the real binary: the output, the messages and the exit
// status are the same bytes whatever the number of jobs, on inputs that span many chunks and
// hold every kind of failing row.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "shell_run.h"

namespace {

using hopscale::testing_files::ProcessRun;
using hopscale::testing_files::runShell;

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "/hopscale_parallel_" + std::to_string(getpid()) + "_" + name;
}

ProcessRun runBatch(const std::string& input, const std::string& options) {
    const std::string errPath = tempPath("err.txt");
    const std::string command = "env -u DISPLAY '" + std::string(HOPSCALE_BINARY) + "' batch " +
                                options + " '" + input + "' 2>'" + errPath + "'";
    ProcessRun run = runShell(command, errPath);
    std::remove(errPath.c_str());
    return run;
}

// Rows of every kind: plain budgets, budgets that fail, rows that cannot be read, performance
// columns that fail on their own, quoted line breaks, blank lines; `rows` of them.
std::string mixedInput(std::size_t rows, bool performance) {
    std::mt19937 random(20261210);
    std::string csv = "name,freq,length,km,power,watts,tx-dish,from-lat,from-lon,to-lat,to-lon";
    if (performance) csv += ",threshold,rain-zone,polarisation,target";
    csv += "\n";
    for (std::size_t i = 0; i < rows; ++i) {
        const unsigned kind = random() % 40;
        std::string row = "hop " + std::to_string(i);
        if (kind == 0) row = "\"hop " + std::to_string(i) + ",\nquoted\"";
        const double freq = 1 + random() % 380 / 10.0;
        row += "," + std::to_string(freq);
        row += "," + std::to_string(1 + random() % 600 / 10.0);
        row += kind == 1 ? ",maybe" : std::string(",") + (random() % 2 ? "1" : "0");
        row += "," + std::to_string(random() % 30) + "," + (random() % 2 ? "1" : "0");
        row += kind == 2 ? ",abc" : "," + std::to_string(1 + random() % 10);
        row += kind == 3 ? ",513000N,0000700W,514500N,0001500E" : ",0,0,0,0";
        if (kind == 4) row += ",1";                       // a field too many
        if (kind == 5) row = "hop " + std::to_string(i);  // too few
        if (kind == 6) row = ",0";                        // a frequency of zero
        if (performance && kind != 5 && kind != 6) {
            row += kind == 7 ? ",-80" : ",";  // most without a threshold
            if (kind == 8 || kind == 9 || kind == 10) row = row.substr(0, row.size() - 1) + "-75";
            row += kind == 9 ? ",Z" : ",K";  // a rain zone that does not exist
            row += kind == 10 ? ",sideways" : ",v";
            row += ",99.99";
        }
        csv += row + "\n";
        if (kind == 11) csv += "\n";  // an empty line, skipped
    }
    return csv;
}

void expectSameWhateverTheJobs(const std::string& name, const std::string& input,
                               const std::string& options) {
    const std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << input;
    const ProcessRun one = runBatch(path, options + " --jobs 1");
    ASSERT_FALSE(one.out.empty());
    for (const char* jobs : {"2", "3", "8"}) {
        SCOPED_TRACE(std::string("--jobs ") + jobs);
        const ProcessRun many = runBatch(path, options + " --jobs " + jobs);
        EXPECT_EQ(many.status, one.status);
        EXPECT_TRUE(many.out == one.out) << "stdout differs";
        EXPECT_EQ(many.err, one.err);
    }
    std::remove(path.c_str());
}

TEST(batch_jobs, budget_rows_and_failures_are_the_same_bytes_in_the_same_order) {
    const std::string input = mixedInput(5000, false);
    expectSameWhateverTheJobs("budget.csv", input, "");
    expectSameWhateverTheJobs("budget_crlf.csv", input, "--crlf");
}

TEST(batch_jobs, performance_columns_are_the_same_bytes) {
    const std::string input = mixedInput(5000, true);
    const std::string path = tempPath("check.csv");
    std::ofstream(path, std::ios::binary) << input;
    // The input really holds failing rows and computed performance.
    const ProcessRun run = runBatch(path, "--jobs 2");
    std::remove(path.c_str());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("further failing rows are only counted"), std::string::npos);
    EXPECT_NE(run.out.find("99.99"), std::string::npos);
    expectSameWhateverTheJobs("performance.csv", input, "");
}

TEST(batch_jobs, a_huge_line_and_an_unclosed_quote_fail_alone) {
    std::string input = "name,freq\n";
    for (int i = 0; i < 3000; ++i) input += "a" + std::to_string(i) + ",6\n";
    input += "huge," + std::string((std::size_t{1} << 20) + 10, '7') + "\n";
    for (int i = 0; i < 3000; ++i) input += "b" + std::to_string(i) + ",8\n";
    input += "last,\"6\n";
    expectSameWhateverTheJobs("huge.csv", input, "");

    const std::string path = tempPath("huge_check.csv");
    std::ofstream(path, std::ios::binary) << input;
    const ProcessRun run = runBatch(path, "--jobs 2");
    std::remove(path.c_str());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("2 of 6002 rows failed (first on line 3002)"), std::string::npos)
        << run.err;
}

TEST(batch_jobs, header_only_and_bad_job_counts) {
    expectSameWhateverTheJobs("header.csv", "name,freq\n", "");
    const std::string path = tempPath("jobs.csv");
    std::ofstream(path, std::ios::binary) << "name\nA\n";
    EXPECT_EQ(runBatch(path, "--jobs 0").status, 2);
    EXPECT_EQ(runBatch(path, "--jobs x").status, 2);
    EXPECT_EQ(runBatch(path, "--jobs 4").status, 0);
    std::remove(path.c_str());
}

}  // namespace

// The real `hopscale` binary, run the way scripts run it: no display, exit statuses checked.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "shell_run.h"

namespace {

using hopscale::testing_files::ProcessRun;
using hopscale::testing_files::runShell;

// Runs `hopscale <arguments>` through the shell with stdin from `input`.
ProcessRun runHopscale(const std::string& arguments, const std::string& input = "") {
    // ctest runs each test as its own process, several at once: keep their files apart.
    const std::string prefix = ::testing::TempDir() + "/hopscale_cli_" + std::to_string(getpid());
    const std::string inPath = prefix + "_in.csv";
    const std::string errPath = prefix + "_err.txt";
    std::ofstream(inPath, std::ios::binary) << input;
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                std::string(HOPSCALE_BINARY) + "' " + arguments + " <'" + inPath +
                                "' 2>'" + errPath + "'";
    ProcessRun run = runShell(command, errPath);
    std::remove(inPath.c_str());
    std::remove(errPath.c_str());
    return run;
}

TEST(hopscale_binary, calc_json_without_a_display) {
    const ProcessRun run = runHopscale("calc --json --freq 6 --length 20 --km --power 10 --watts");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc.at("results").at("pathLengthMiles"), "12.4274");
    EXPECT_EQ(doc.at("pathLengthField"), "12.4274");
}

TEST(hopscale_binary, calc_exit_statuses) {
    EXPECT_EQ(runHopscale("calc").status, 0);
    const ProcessRun failed = runHopscale("calc --freq 0");
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("Enter Frequency in GHz"), std::string::npos);
    const ProcessRun usage = runHopscale("calc --frequency 6");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
}

TEST(hopscale_binary, calc_json_failure_is_still_one_object) {
    const ProcessRun run = runHopscale("calc --json --k 0");
    EXPECT_EQ(run.status, 1);
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc.at("error").at("kind"), "division by zero");
    EXPECT_EQ(doc.at("error").at("field"), "Text22");
}

TEST(hopscale_binary, batch_reads_stdin_and_files) {
    const std::string csv = "name,freq\nA,10\nB,6\n";
    const ProcessRun fromStdin = runHopscale("batch -", csv);
    EXPECT_EQ(fromStdin.status, 0) << fromStdin.err;
    EXPECT_EQ(runHopscale("batch", csv).out, fromStdin.out);

    const std::string path =
        ::testing::TempDir() + "/hopscale_cli_" + std::to_string(getpid()) + "_file.csv";
    std::ofstream(path, std::ios::binary) << csv;
    const ProcessRun fromFile = runHopscale("batch '" + path + "'");
    EXPECT_EQ(fromFile.status, 0);
    EXPECT_EQ(fromFile.out, fromStdin.out);
    std::remove(path.c_str());
    // Not a terminal: no progress line.
    EXPECT_EQ(fromFile.err, "");
}

TEST(hopscale_binary, batch_exit_statuses) {
    EXPECT_EQ(runHopscale("batch -", "name,freq\nA,0\n").status, 1);
    EXPECT_EQ(runHopscale("batch -", "nombre\nA\n").status, 2);
    EXPECT_EQ(runHopscale("batch a.csv b.csv").status, 2);
    const ProcessRun missing = runHopscale("batch /nonexistent/paths.csv");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("/nonexistent/paths.csv"), std::string::npos);
}

// The front door: one root app for every subcommand and the windows.
TEST(hopscale_binary, unknown_subcommand_or_option_is_a_usage_error) {
    const ProcessRun slip = runHopscale("calcc");
    EXPECT_EQ(slip.status, 2);
    EXPECT_EQ(slip.out, "");
    EXPECT_NE(slip.err.find("did you mean `calc`"), std::string::npos) << slip.err;
    EXPECT_NE(slip.err.find("Usage: hopscale"), std::string::npos) << slip.err;

    const ProcessRun nonsense = runHopscale("--nonsense");
    EXPECT_EQ(nonsense.status, 2);
    EXPECT_NE(nonsense.err.find("--nonsense"), std::string::npos) << nonsense.err;

    const ProcessRun nested = runHopscale("catalogue lokup --freq 10 WR90");
    EXPECT_EQ(nested.status, 2);
    EXPECT_NE(nested.err.find("did you mean `lookup`"), std::string::npos) << nested.err;
}

TEST(hopscale_binary, version_is_the_project_version) {
    const ProcessRun run = runHopscale("--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "hopscale " HOPSCALE_PROJECT_VERSION "\n");
}

TEST(hopscale_binary, without_a_display_the_windows_say_so_in_one_line) {
    const std::string dir =
        ::testing::TempDir() + "/hopscale_cli_" + std::to_string(getpid()) + "_nodisplay";
    for (const std::string& args : {std::string(), "--data-dir '" + dir + "'"}) {
        const ProcessRun run = runHopscale(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "no display: set DISPLAY, or use a subcommand such as `hopscale calc`\n");
    }
}

TEST(hopscale_binary, global_data_dir_before_the_subcommand_runs_the_lookup) {
    const std::string dir =
        ::testing::TempDir() + "/hopscale_cli_" + std::to_string(getpid()) + "_data";
    // The shipped WR90 table gives 3.3 dB per 100 ft or a little more at 10 GHz.
    const ProcessRun before =
        runHopscale("--data-dir '" + dir + "' catalogue lookup --freq 10 WR90");
    EXPECT_EQ(before.status, 0) << before.err;
    EXPECT_EQ(before.out.substr(0, 3), "3.3");
    const ProcessRun after =
        runHopscale("catalogue lookup --freq 10 WR90 --data-dir '" + dir + "'");
    EXPECT_EQ(after.out, before.out);
    std::filesystem::remove_all(dir);
}

TEST(hopscale_binary, empty_data_dir_is_the_same_usage_error_either_way) {
    const ProcessRun spaced = runHopscale("--data-dir '' catalogue check");
    const ProcessRun joined = runHopscale("--data-dir= catalogue check");
    EXPECT_EQ(spaced.status, 2);
    EXPECT_EQ(joined.status, 2);
    EXPECT_EQ(spaced.err, joined.err);
    EXPECT_NE(spaced.err.find("--data-dir"), std::string::npos) << spaced.err;
}

TEST(hopscale_binary, a_failed_write_to_stdout_is_exit_1_in_every_command) {
    const std::string dir =
        ::testing::TempDir() + "/hopscale_cli_" + std::to_string(getpid()) + "_full";
    for (const std::string& command :
         {std::string("calc"), std::string("calc --json"), std::string("batch -"),
          "catalogue offer --freq 10 --data-dir '" + dir + "'", std::string("--version"),
          std::string("calc --help")}) {
        const ProcessRun run = runHopscale(command + " >/dev/full", "name,freq\nA,10\n");
        EXPECT_EQ(run.status, 1) << command;
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos)
            << command << ": " << run.err;
    }
    std::filesystem::remove_all(dir);
}

TEST(hopscale_binary, batch_of_an_endless_input_stops_at_the_header_limit) {
    // /dev/zero never ends a line: the header is refused at 1 MB instead of growing until
    // the memory runs out.
    const ProcessRun run = runHopscale("batch /dev/zero");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("header line is longer than 1 MB"), std::string::npos) << run.err;
}

}  // namespace

// The real `hopscale` binary, run the way scripts run it: no display, exit statuses checked.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace {

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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
    ProcessRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readFile(errPath);
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

}  // namespace

// The front door in-process: one root app, global options anywhere, usage errors with hints,
// the windowed mode and its display check. Commands registered here record what they got,
// so the parse is tested without touching any file.
#include "front_door.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "display.h"
#include "exit_status.h"

namespace hopscale::test {
namespace {

using cli::CommandAction;
using cli::CommandContext;
using cli::CommandDefinition;
using cli::FrontDoor;

struct Seen {
    std::string command;
    std::optional<std::string> dataDir;
    std::string file;
    bool windowed = false;
    std::optional<std::string> windowedDataDir;
};

// A stand-in for a real command: a flag, a positional, and the data directory it saw.
CommandDefinition recordingCommand(const std::string& name, Seen& seen) {
    return {name, "test command", [name, &seen](CLI::App& app) -> CommandAction {
                auto file = std::make_shared<std::string>();
                auto loud = std::make_shared<bool>(false);
                app.add_option("FILE", *file, "a file");
                app.add_flag("--loud", *loud, "a flag");
                return [name, file, loud, &seen](const CommandContext& context) {
                    seen.command = name;
                    seen.dataDir = context.global.dataDir;
                    seen.file = *file;
                    context.out << "ran " << name << '\n';
                    return cli::kExitOk;
                };
            }};
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class FrontDoorTest : public ::testing::Test {
  protected:
    // The environment the display check sees; empty means nothing set.
    std::map<std::string, std::string> environment;
    Seen seen;

    Outcome run(std::vector<std::string> args, bool withWindows = true) {
        FrontDoor door(withWindows ? cli::WindowedEntry([this](const cli::WindowedStart& start) {
                           seen.windowed = true;
                           if (start.dataDir) seen.windowedDataDir = (*start.dataDir).string();
                           return 7;  // what the windows returned, handed back unchanged
                       })
                                   : cli::WindowedEntry(),
                       [this](const char* name) -> const char* {
                           const auto it = environment.find(name);
                           return it == environment.end() ? nullptr : it->second.c_str();
                       });
        door.add(recordingCommand("calc", seen));
        door.add(recordingCommand("batch", seen));
        args.insert(args.begin(), "hopscale");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::ostringstream out;
        std::ostringstream err;
        Outcome r;
        r.status = door.run(static_cast<int>(args.size()), argv.data(), out, err);
        r.out = out.str();
        r.err = err.str();
        return r;
    }
};

TEST_F(FrontDoorTest, global_option_before_or_after_the_subcommand) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--data-dir", "/d", "batch", "in.csv"},
          std::vector<std::string>{"batch", "--data-dir", "/d", "in.csv"},
          std::vector<std::string>{"batch", "in.csv", "--data-dir=/d"}}) {
        seen = {};
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(seen.command, "batch");
        EXPECT_EQ(seen.dataDir, "/d");
        EXPECT_EQ(seen.file, "in.csv");
        EXPECT_EQ(r.out, "ran batch\n");
    }
}

TEST_F(FrontDoorTest, unknown_subcommand_is_a_usage_error_with_a_hint) {
    const Outcome r = run({"calcc"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("calcc"), std::string::npos);
    EXPECT_NE(r.err.find("did you mean `calc`"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Usage: hopscale"), std::string::npos) << r.err;
    EXPECT_FALSE(seen.windowed);
}

TEST_F(FrontDoorTest, unknown_option_hints_only_when_close) {
    const Outcome close = run({"batch", "--lound"});
    EXPECT_EQ(close.status, 2);
    EXPECT_NE(close.err.find("did you mean `--loud`"), std::string::npos) << close.err;
    EXPECT_NE(close.err.find("Usage: hopscale batch"), std::string::npos) << close.err;

    const Outcome far = run({"--nonsense"});
    EXPECT_EQ(far.status, 2);
    EXPECT_NE(far.err.find("--nonsense"), std::string::npos);
    EXPECT_EQ(far.err.find("did you mean"), std::string::npos) << far.err;
    EXPECT_FALSE(seen.windowed);
}

TEST_F(FrontDoorTest, unexpected_arguments_are_listed_in_the_order_given) {
    const Outcome r = run({"batch", "a.csv", "b.csv", "c.csv"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not expected: b.csv c.csv\n"), std::string::npos) << r.err;
}

TEST_F(FrontDoorTest, empty_data_dir_is_one_usage_error_in_both_spellings) {
    const Outcome spaced = run({"--data-dir", ""});
    const Outcome joined = run({"--data-dir="});
    EXPECT_EQ(spaced.status, 2);
    EXPECT_EQ(joined.status, 2);
    EXPECT_NE(spaced.err.find("--data-dir"), std::string::npos) << spaced.err;
    EXPECT_NE(spaced.err.find("empty"), std::string::npos) << spaced.err;
    EXPECT_EQ(spaced.err, joined.err);
    EXPECT_FALSE(seen.windowed);
}

TEST_F(FrontDoorTest, control_bytes_in_echoed_arguments_are_escaped) {
    const Outcome r = run({"cal\x1b[2Jc"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_NE(r.err.find("cal\\x1B[2Jc"), std::string::npos) << r.err;
}

TEST_F(FrontDoorTest, no_subcommand_opens_the_windows_when_a_display_is_there) {
    environment["DISPLAY"] = ":0";
    const Outcome bare = run({});
    EXPECT_EQ(bare.status, 7);
    EXPECT_TRUE(seen.windowed);

    seen = {};
    const std::string dir = ::testing::TempDir() + "/front_door_data_" + std::to_string(getpid());
    const Outcome withDir = run({"--data-dir", dir});
    EXPECT_EQ(withDir.status, 7) << withDir.err;
    EXPECT_TRUE(seen.windowed);
    EXPECT_EQ(seen.windowedDataDir, dir);
    std::filesystem::remove_all(dir);
}

TEST_F(FrontDoorTest, no_display_is_one_line_and_exit_1) {
    const Outcome r = run({});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(seen.windowed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "no display: set DISPLAY, or use a subcommand such as `hopscale calc`\n");
}

TEST_F(FrontDoorTest, without_a_windowed_entry_a_subcommand_is_needed) {
    environment["DISPLAY"] = ":0";
    const Outcome r = run({}, false);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Usage: hopscale"), std::string::npos);
}

TEST_F(FrontDoorTest, help_and_version_exit_0_on_stdout) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("calc"), std::string::npos);
    EXPECT_NE(help.out.find("batch"), std::string::npos);
    EXPECT_NE(help.out.find("--data-dir"), std::string::npos);
    EXPECT_EQ(run({"help"}).out, help.out);
    // The version is the project's, as CMake has it.
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "hopscale " HOPSCALE_PROJECT_VERSION "\n");
    EXPECT_FALSE(seen.windowed);
}

TEST_F(FrontDoorTest, failed_output_turns_into_exit_1) {
    // A stream that refuses every write stands for a full disk.
    struct FailingBuffer : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    };
    FailingBuffer buffer;
    std::ostream broken(&buffer);
    FrontDoor door;
    door.add(recordingCommand("calc", seen));
    std::string a0 = "hopscale", a1 = "calc";
    char* argv[] = {a0.data(), a1.data(), nullptr};
    std::ostringstream err;
    EXPECT_EQ(door.run(2, argv, broken, err), 1);
    EXPECT_EQ(seen.command, "calc");
    EXPECT_NE(err.str().find("writing the output failed"), std::string::npos) << err.str();
}

TEST(closest_name, picks_a_near_slip_and_nothing_far) {
    const std::vector<std::string> commands = {"calc", "batch", "catalogue"};
    EXPECT_EQ(cli::closestName("calcc", commands), "calc");         // one insertion
    EXPECT_EQ(cli::closestName("bacth", commands), "batch");        // two substitutions
    EXPECT_EQ(cli::closestName("catalog", commands), "catalogue");  // two deletions
    EXPECT_EQ(cli::closestName("calc", commands), "");              // exact: nothing to hint
    EXPECT_EQ(cli::closestName("cat", commands), "");  // "calc" is 2 edits of 4 letters
    EXPECT_EQ(cli::closestName("profile", commands), "");
}

TEST(display_usable, follows_the_platform_and_its_display_variable) {
    struct Case {
        std::map<std::string, std::string> env;
        bool usable;
    };
    const std::vector<Case> cases = {
        {{}, false},
        {{{"DISPLAY", ""}}, false},
        {{{"DISPLAY", ":0"}}, true},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, true},
        {{{"QT_QPA_PLATFORM", "minimal"}}, true},
        {{{"QT_QPA_PLATFORM", "xcb"}}, false},
        {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "w"}}, false},
        {{{"QT_QPA_PLATFORM", "xcb:nograb"}, {"DISPLAY", ":1"}}, true},
        {{{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":1"}}, false},
        {{{"QT_QPA_PLATFORM", "wayland-egl"}, {"WAYLAND_DISPLAY", "w"}}, true},
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}, true},
        {{{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ":1"}}, true},
    };
    for (const Case& c : cases) {
        std::string label;
        for (const auto& [k, v] : c.env) label += k + "=" + v + " ";
        SCOPED_TRACE(label);
        EXPECT_EQ(cli::displayUsable([&c](const char* name) -> const char* {
                      const auto it = c.env.find(name);
                      return it == c.env.end() ? nullptr : it->second.c_str();
                  }),
                  c.usable);
    }
}

}  // namespace
}  // namespace hopscale::test

#include "link_inputs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "test_files.h"

namespace hopscale {
namespace {

using namespace testing_files;

std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void put(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

LinkInputs someInputs() {
    LinkInputs in;
    in.conditions["threshold"] = "-78.5";
    in.conditions["rain-zone"] = "K";
    in.conditions["polarisation"] = "h";
    in.conditions["target"] = "not yet a number";  // kept as typed
    in.subtractDiffraction = true;
    in.profile.source = "/data/profiles/ridge \"west\".csv";
    in.profile.antennaFromM = "42.5";
    in.profile.antennaToM = "";
    in.profile.criteria = "4/3:1,1:0.6";
    return in;
}

TEST(link_inputs_test, missing_file_gives_defaults_without_problem) {
    ScratchDir dir;
    const LoadedLinkInputs loaded = loadLinkInputs(dir.path());
    EXPECT_FALSE(loaded.problem);
    EXPECT_EQ(loaded.inputs, LinkInputs{});
    EXPECT_EQ(loaded.inputs.profile.antennaFromM, "30");
    EXPECT_EQ(loaded.inputs.profile.criteria, "north-american");
    EXPECT_FALSE(std::filesystem::exists(dir / kLinkInputsFileName));
}

TEST(link_inputs_test, save_then_load_gives_every_text_back_exactly) {
    ScratchDir dir;
    const LinkInputs in = someInputs();
    ASSERT_FALSE(saveLinkInputs(dir.path(), in));
    const LoadedLinkInputs loaded = loadLinkInputs(dir.path());
    ASSERT_FALSE(loaded.problem) << loaded.problem->message();
    EXPECT_EQ(loaded.inputs, in);
    // A second save replaces the first completely.
    LinkInputs other;
    other.conditions["threshold"] = "-90";
    ASSERT_FALSE(saveLinkInputs(dir.path(), other));
    EXPECT_EQ(loadLinkInputs(dir.path()).inputs, other);
}

TEST(link_inputs_test, hand_written_file_reads_and_keeps_defaults_for_absent_members) {
    ScratchDir dir;
    // Written by hand: only some members, plus one this version does not know.
    put(dir / kLinkInputsFileName,
        R"({"conditions": {"threshold": "-81"}, "profile": {"antennaToM": "12"}, "future": 3})");
    const LoadedLinkInputs loaded = loadLinkInputs(dir.path());
    ASSERT_FALSE(loaded.problem) << loaded.problem->message();
    EXPECT_EQ(loaded.inputs.conditions.at("threshold"), "-81");
    EXPECT_EQ(loaded.inputs.conditions.size(), 1u);
    EXPECT_EQ(loaded.inputs.profile.antennaToM, "12");
    EXPECT_EQ(loaded.inputs.profile.antennaFromM, "30");
    EXPECT_FALSE(loaded.inputs.subtractDiffraction);
}

TEST(link_inputs_test, written_file_is_json_naming_each_member) {
    ScratchDir dir;
    ASSERT_FALSE(saveLinkInputs(dir.path(), someInputs()));
    const std::string text = slurp(dir / kLinkInputsFileName);
    EXPECT_NE(text.find("\"version\": 1"), std::string::npos) << text;
    EXPECT_NE(text.find("\"threshold\": \"-78.5\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"subtractDiffraction\": true"), std::string::npos) << text;
    // The quotes inside the file name are escaped, not cut.
    EXPECT_NE(text.find(R"(ridge \"west\".csv)"), std::string::npos) << text;
    // No temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(link_inputs_test, unreadable_files_are_reported_moved_aside_and_replaced_by_defaults) {
    struct Case {
        const char* what;
        const char* bytes;
        const char* detail;  // part of the message
    };
    const Case cases[] = {
        {"not JSON", "{\"conditions\": {", "is not JSON"},
        {"binary", "\x01\x02\xff", "is not JSON"},
        {"empty", "", "is not JSON"},
        {"array", "[1, 2]", "does not hold a JSON object"},
        {"conditions a list", R"({"conditions": ["a"]})", "\"conditions\" is not an object"},
        {"condition a number", R"({"conditions": {"threshold": -80}})",
         "condition \"threshold\" is not a text"},
        {"tick a text", R"({"subtractDiffraction": "yes"})", "is not true or false"},
        {"height a number", R"({"profile": {"antennaFromM": 30}})",
         "\"antennaFromM\" is not a text"},
        {"profile a text", R"({"profile": "x"})", "\"profile\" is not an object"},
        {"number out of range", R"({"version": 1e999})", "is not readable JSON"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        put(dir / kLinkInputsFileName, c.bytes);
        const LoadedLinkInputs loaded = loadLinkInputs(dir.path());
        ASSERT_TRUE(loaded.problem);
        EXPECT_EQ(loaded.problem->kind, ErrorKind::BadFile);
        const std::string message = loaded.problem->message();
        EXPECT_NE(message.find("link.json"), std::string::npos) << message;
        EXPECT_NE(message.find(c.detail), std::string::npos) << message;
        EXPECT_NE(message.find("defaults"), std::string::npos) << message;
        EXPECT_EQ(loaded.inputs, LinkInputs{});
        // Nothing lost: the bytes are kept under the other name, and a save then works.
        EXPECT_FALSE(std::filesystem::exists(dir / kLinkInputsFileName));
        EXPECT_EQ(slurp(dir / kUnreadableLinkInputsFileName), std::string(c.bytes));
        EXPECT_FALSE(saveLinkInputs(dir.path(), someInputs()));
        EXPECT_EQ(loadLinkInputs(dir.path()).inputs, someInputs());
    }
}

TEST(link_inputs_test, directory_in_place_of_the_file_is_reported_never_fatal) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / kLinkInputsFileName);
    const LoadedLinkInputs loaded = loadLinkInputs(dir.path());
    ASSERT_TRUE(loaded.problem);
    EXPECT_EQ(loaded.inputs, LinkInputs{});
    // Left where it is; the save says it cannot write rather than removing it.
    EXPECT_TRUE(std::filesystem::is_directory(dir / kLinkInputsFileName));
    const std::optional<Error> saved = saveLinkInputs(dir.path(), someInputs());
    ASSERT_TRUE(saved);
    EXPECT_NE(saved->message().find("link.json"), std::string::npos) << saved->message();
}

TEST(link_inputs_test, failed_save_names_the_file_and_keeps_the_old_contents) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    ScratchDir dir;
    ASSERT_FALSE(saveLinkInputs(dir.path(), someInputs()));
    const std::string before = slurp(dir / kLinkInputsFileName);
    ::chmod(dir.path().c_str(), 0555);
    const std::optional<Error> saved = saveLinkInputs(dir.path(), LinkInputs{});
    ::chmod(dir.path().c_str(), 0755);
    ASSERT_TRUE(saved);
    EXPECT_NE(saved->message().find("link.json"), std::string::npos) << saved->message();
    EXPECT_EQ(slurp(dir / kLinkInputsFileName), before);
}

TEST(link_inputs_test, saved_inputs_file_is_never_touched) {
    ScratchDir dir;
    put(dir / "PATHCFG.DAT", "old bytes");
    ASSERT_FALSE(saveLinkInputs(dir.path(), someInputs()));
    loadLinkInputs(dir.path());
    EXPECT_EQ(slurp(dir / "PATHCFG.DAT"), "old bytes");
}

}  // namespace
}  // namespace hopscale

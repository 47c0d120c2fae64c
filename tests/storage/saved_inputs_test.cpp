#include "saved_inputs.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace hopscale {
namespace {

using namespace testing_files;

std::string hex(std::string_view bytes) {
    std::string out;
    char buf[4];
    for (const char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02x ", static_cast<unsigned char>(c));
        out += buf;
    }
    return out;
}

std::string fromHex(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
        i += 2;
    }
    return out;
}

struct Loaded {
    bool applied = false;
    PathInputs inputs;
    std::int16_t dbm = -1, watts = -1;
};

Loaded load(const std::filesystem::path& file, PathInputs start = PathInputs()) {
    Loaded out;
    out.inputs = std::move(start);
    auto result = loadSavedInputs(file, out.inputs, out.dbm, out.watts);
    EXPECT_TRUE(result.ok()) << (result.error ? result.error->message() : "");
    out.applied = result.ok() && *result;
    return out;
}

TEST(saved_inputs_test, the_defaults_give_the_93_byte_file) {
    ScratchDir dir;
    const PathInputs defaults;
    ASSERT_FALSE(
        saveInputs(dir / "PATHCFG.DAT", defaults, defaults[Field::Text24], 1, 0).has_value());
    const std::string expected = fromHex(
        "00 00 00 40 00 00 80 3f 00 00 00 40 00 00 80 3f 00 00 20 41 00 00 00 00 00 00 80 3f "
        "00 00 c8 42 00 00 c8 42 71 3d aa 3f 00 00 00 00 00 00 20 41 00 00 20 41 00 00 00 00 "
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 07 00 45 78 61 6d 70 6c 65 "
        "00 00 00 00 00 00 00 00");
    ASSERT_EQ(expected.size(), 93u);
    EXPECT_EQ(hex(readBytes(dir / "PATHCFG.DAT")), hex(expected));
}

TEST(saved_inputs_test, save_then_load_restores_the_stored_state) {
    ScratchDir dir;
    PathInputs in;
    in[Field::Text1] = "2.50";
    in[Field::Text3] = "8";
    in[Field::Text2] = "1.25";
    in[Field::Text8] = "0.9";
    in[Field::Text10] = "6.175";
    in[Field::Text12] = "20";
    in[Field::Text16] = "150";
    in[Field::Text18] = "180";
    in[Field::Text22] = "1.5";
    in[Field::Text26] = "2";
    in[Field::Text4] = "12";
    in[Field::Text15] = "7";
    in[Field::Text5] = "41 25 30";
    in[Field::Text6] = "413015.4";
    in[Field::Text7] = "41.5";
    in[Field::Text9] = "42.5";
    in[Field::Text11] = "Hill to Tower";
    in.km = true;
    in.watts = true;
    // The calculation has meanwhile rewritten the length field in miles.
    in[Field::Text24] = "9.998";
    ASSERT_FALSE(saveInputs(dir / "PATHCFG.DAT", in, "16.09", 0, 1).has_value());

    const Loaded out = load(dir / "PATHCFG.DAT");
    ASSERT_TRUE(out.applied);
    const std::pair<Field, const char*> expected[] = {
        {Field::Text1, "2.5"},
        {Field::Text2, "1.25"},
        {Field::Text3, "8"},
        {Field::Text8, "0.9"},
        {Field::Text10, "6.175"},
        {Field::Text12, "20"},
        {Field::Text16, "150"},
        {Field::Text18, "180"},
        {Field::Text22, "1.5"},
        {Field::Text24, "16.09"},
        {Field::Text26, "2"},
        {Field::Text4, "0"},
        {Field::Text5, "412530"},
        {Field::Text6, "413015"},
        {Field::Text7, "42"},
        {Field::Text9, "42"},
        {Field::Text11, "Hill to Tower"},
        // Not stored: keeps the text it had.
        {Field::Text15, "0"},
    };
    for (const auto& [field, text] : expected) {
        EXPECT_EQ(out.inputs[field], text) << fieldInfo(field).control;
    }
    EXPECT_TRUE(out.inputs.km);
    EXPECT_TRUE(out.inputs.watts);
    EXPECT_EQ(out.dbm, 0);
    EXPECT_EQ(out.watts, 1);

    auto record = decodeSavedInputs(readBytes(dir / "PATHCFG.DAT"));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->preampGain, 12.0f);
    EXPECT_EQ(record->kmCheckValue, 1.0f);
    EXPECT_EQ(record->milesCheckValue, 0.0f);
}

TEST(saved_inputs_test, nothing_is_loaded_from_an_absent_empty_short_or_zero_dish_file) {
    ScratchDir dir;
    PathInputs zeroDish;
    zeroDish[Field::Text1] = "0";
    zeroDish[Field::Text10] = "23";
    ASSERT_FALSE(saveInputs(dir / "zero.dat", zeroDish, "10", 1, 0).has_value());
    PathInputs good;
    good[Field::Text1] = "6";
    ASSERT_FALSE(saveInputs(dir / "good.dat", good, "10", 1, 0).has_value());
    const std::string whole = readBytes(dir / "good.dat");
    writeBytes(dir / "short.dat", whole.substr(0, whole.size() - 1));
    writeBytes(dir / "cutname.dat", whole.substr(0, 80));
    writeBytes(dir / "empty.dat", "");

    PathInputs start;
    start[Field::Text10] = "typed";
    start.km = true;
    for (const char* name : {"absent.dat", "empty.dat", "zero.dat", "short.dat", "cutname.dat"}) {
        const Loaded out = load(dir / name, start);
        EXPECT_FALSE(out.applied) << name;
        EXPECT_EQ(out.inputs[Field::Text10], "typed") << name;
        EXPECT_TRUE(out.inputs.km) << name;
        EXPECT_EQ(out.dbm, -1) << name;
    }
    // The first load creates the file, empty.
    EXPECT_TRUE(std::filesystem::exists(dir / "absent.dat"));
    EXPECT_EQ(std::filesystem::file_size(dir / "absent.dat"), 0u);
    EXPECT_TRUE(load(dir / "good.dat").applied);
}

TEST(saved_inputs_test, a_shorter_record_keeps_the_old_tail_and_loads_the_new_name) {
    ScratchDir dir;
    PathInputs in;
    in[Field::Text11] = "A very long path name";
    ASSERT_FALSE(saveInputs(dir / "P.DAT", in, "10", 1, 0).has_value());
    const std::string before = readBytes(dir / "P.DAT");
    in[Field::Text11] = "Short";
    ASSERT_FALSE(saveInputs(dir / "P.DAT", in, "10", 1, 0).has_value());
    const std::string after = readBytes(dir / "P.DAT");
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(91), before.substr(91));
    EXPECT_EQ(load(dir / "P.DAT").inputs[Field::Text11], "Short");
    // Only the file itself is left in the directory: no temporary file.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u);
}

TEST(saved_inputs_test, path_names_are_stored_in_latin1) {
    ScratchDir dir;
    PathInputs in;
    struct Row {
        std::string typed, stored, loaded;
    };
    const Row rows[] = {
        {"K\xc3\xb6ln \xe2\x80\x93 Bonn", "K\xf6ln ? Bonn", "K\xc3\xb6ln ? Bonn"},
        {"bad \xff byte", "bad ? byte", "bad ? byte"},
        {std::string(70000, 'x'), std::string(65535, 'x'), std::string(65535, 'x')},
    };
    for (const Row& row : rows) {
        in[Field::Text11] = row.typed;
        ASSERT_FALSE(saveInputs(dir / "N.DAT", in, "10", 1, 0).has_value());
        auto record = decodeSavedInputs(readBytes(dir / "N.DAT"));
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->pathName, row.stored);
        EXPECT_EQ(load(dir / "N.DAT").inputs[Field::Text11], row.loaded);
    }
}

TEST(saved_inputs_test, a_field_that_cannot_be_stored_fails_the_save_and_keeps_the_file) {
    ScratchDir dir;
    const PathInputs defaults;
    ASSERT_FALSE(saveInputs(dir / "P.DAT", defaults, "10", 1, 0).has_value());
    const std::string before = readBytes(dir / "P.DAT");
    struct Row {
        Field field;
        std::string text;
        ErrorKind kind;
    };
    const Row rows[] = {
        {Field::Text8, "1e39", ErrorKind::Overflow},
        {Field::Text1, "", ErrorKind::TypeMismatch},
        {Field::Text4, "zero", ErrorKind::TypeMismatch},
        {Field::Text5, "9999999999", ErrorKind::Overflow},
        {Field::Text26, "10 dBm", ErrorKind::TypeMismatch},
    };
    for (const Row& row : rows) {
        PathInputs in;
        in[row.field] = row.text;
        auto error = saveInputs(dir / "P.DAT", in, "10", 1, 0);
        ASSERT_TRUE(error.has_value()) << row.text;
        EXPECT_EQ(error->kind, row.kind) << row.text;
        EXPECT_EQ(error->field, row.field) << row.text;
        EXPECT_EQ(readBytes(dir / "P.DAT"), before);
    }
    // The typed length is read strictly with Miles, leniently with KM.
    PathInputs in;
    auto miles = saveInputs(dir / "P.DAT", in, "12 mi", 1, 0);
    ASSERT_TRUE(miles.has_value());
    EXPECT_EQ(miles->field, Field::Text24);
    in.km = true;
    ASSERT_FALSE(saveInputs(dir / "P.DAT", in, "12 km", 1, 0).has_value());
    EXPECT_EQ(load(dir / "P.DAT").inputs[Field::Text24], "12");
}

TEST(saved_inputs_test, check_and_option_values_follow_the_pair_rules) {
    ScratchDir dir;
    struct Row {
        float milesValue, kmValue;
        std::int16_t dbm, watts;
        bool startKm, startWatts;
        bool km, wattsSelected;
    };
    const Row rows[] = {
        {1, 0, 1, 0, true, true, false, false},        {0, 1, 0, 1, false, false, true, true},
        {1.4f, 0.6f, 1, 0, false, false, true, false},  // rounded to 1 and 1: KM set last wins
        {0.5f, 0.5f, 0, 0, true, true, false, true},    // halves to even: both 0, no option set
        {7, 3, 1, 1, false, false, false, true},        // neither 0 nor 1: boxes untouched
    };
    for (const Row& row : rows) {
        SavedInputsRecord r;
        r.txDishDiameter = 2;
        r.milesCheckValue = row.milesValue;
        r.kmCheckValue = row.kmValue;
        r.dbmSelected = row.dbm;
        r.wattsSelected = row.watts;
        writeBytes(dir / "P.DAT", encodeSavedInputs(r));
        PathInputs start;
        start.km = row.startKm;
        start.watts = row.startWatts;
        const Loaded out = load(dir / "P.DAT", start);
        EXPECT_EQ(out.inputs.km, row.km) << row.milesValue << " " << row.kmValue;
        EXPECT_EQ(out.inputs.watts, row.wattsSelected) << row.dbm << " " << row.watts;
    }
}

TEST(saved_inputs_test, decode_reads_only_whole_records) {
    SavedInputsRecord r;
    r.txDishDiameter = 3;
    r.pathName = "abc";
    r.reserved3 = "zz";
    r.reserved2 = -2;
    const std::string bytes = encodeSavedInputs(r);
    // 86 fixed bytes, the 3 of "abc" and the 2 of "zz".
    EXPECT_EQ(bytes.size(), 91u);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(decodeSavedInputs(bytes.substr(0, n)).has_value()) << n;
    }
    auto back = decodeSavedInputs(bytes + "trailing");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->pathName, "abc");
    EXPECT_EQ(back->reserved3, "zz");
    EXPECT_EQ(back->reserved2, -2);
    EXPECT_EQ(encodeSavedInputs(*back), bytes);
}

TEST(saved_inputs_test, a_missing_directory_is_an_error_naming_the_file) {
    ScratchDir dir;
    PathInputs in;
    std::int16_t dbm = 0, watts = 0;
    auto loaded = loadSavedInputs(dir / "nowhere" / "P.DAT", in, dbm, watts);
    ASSERT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error->message().find("P.DAT"), std::string::npos);
    auto saved = saveInputs(dir / "nowhere" / "P.DAT", in, "10", 1, 0);
    ASSERT_TRUE(saved.has_value());
    EXPECT_NE(saved->message().find("P.DAT"), std::string::npos);
}

TEST(saved_inputs_test, a_written_record_is_86_bytes_plus_the_path_name) {
    // 14 singles and 4 longs of 4 bytes, 2 integers of 2 bytes (76), the name's count (2),
    // two integers (4), the empty reserved text's count (2) and one integer (2): 86 + N.
    ScratchDir dir;
    const std::pair<std::string, std::size_t> rows[] = {
        {"", 86}, {"Example", 93}, {std::string(300, 'p'), 386}, {std::string(65535, 'q'), 65621}};
    for (const auto& [name, size] : rows) {
        PathInputs in;
        in[Field::Text11] = name;
        const auto file = dir / ("P" + std::to_string(size));
        ASSERT_FALSE(saveInputs(file, in, "10", 1, 0).has_value());
        EXPECT_EQ(std::filesystem::file_size(file), size) << name.size();
    }
}

// A record built byte by byte: a transmit dish of 2 ft, zeros, then the counted texts.
std::string handBuiltRecord(const std::string& name, const std::string& reserved3) {
    std::string bytes("\x00\x00\x00\x40", 4);
    bytes += std::string(72, '\0');
    bytes += counted(name) + std::string(4, '\0') + counted(reserved3) + std::string(2, '\0');
    return bytes;
}

TEST(saved_inputs_test, the_longest_record_loads_whole) {
    // Both texts at the largest count: 86 + 65535 + 65535 bytes.
    ScratchDir dir;
    const std::string name(65535, 'n');
    const std::string record = handBuiltRecord(name, std::string(65535, 'r'));
    ASSERT_EQ(record.size(), 131156u);
    writeBytes(dir / "P.DAT", record + "tail");
    const Loaded out = load(dir / "P.DAT");
    ASSERT_TRUE(out.applied);
    EXPECT_EQ(out.inputs[Field::Text11], name);
    EXPECT_EQ(out.inputs[Field::Text1], "2");
    // One byte short of the second text: nothing is loaded.
    writeBytes(dir / "Q.DAT", record.substr(0, 86 + 65535 + 65534));
    EXPECT_FALSE(load(dir / "Q.DAT").applied);
}

TEST(saved_inputs_test, a_file_that_cannot_be_written_is_still_loaded_and_not_replaced) {
    ScratchDir dir;
    const auto file = dir / "PATHCFG.DAT";
    writeBytes(file, handBuiltRecord("Locked", ""));
    const std::string before = readBytes(file);
    UnwritableFile locked(file);
    if (!locked.ok()) GTEST_SKIP() << "no way to make a file unwritable here";
    const Loaded out = load(file);
    EXPECT_TRUE(out.applied);
    EXPECT_EQ(out.inputs[Field::Text11], "Locked");
    PathInputs in;
    auto error = saveInputs(file, in, "10", 1, 0);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->message().find("PATHCFG.DAT"), std::string::npos);
    EXPECT_EQ(readBytes(file), before);
}

TEST(saved_inputs_test, a_read_only_file_is_reported_and_kept_on_save) {
    ScratchDir dir;
    const auto file = dir / "PATHCFG.DAT";
    writeBytes(file, handBuiltRecord("Kept", ""));
    ::chmod(file.c_str(), 0444);
    PathInputs in;
    auto error = saveInputs(file, in, "10", 1, 0);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->message().find("read-only"), std::string::npos) << error->message();
    EXPECT_EQ(load(file).inputs[Field::Text11], "Kept");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"PATHCFG.DAT"});
}

TEST(saved_inputs_test, a_fifo_in_place_of_the_file_is_refused_without_blocking) {
    ScratchDir dir;
    const auto file = dir / "PATHCFG.DAT";
    makeFifo(file);
    std::optional<Result<bool>> loaded;
    std::optional<Error> saved;
    std::vector<FileProblem> checked;
    ASSERT_TRUE(returnsPromptly("loading and saving PATHCFG.DAT", [&] {
        PathInputs in;
        std::int16_t dbm = 0, watts = 0;
        loaded = loadSavedInputs(file, in, dbm, watts);
        saved = saveInputs(file, in, "10", 1, 0);
        checked = checkSavedInputsFile(dir.path());
    }));
    ASSERT_FALSE(loaded->ok());
    EXPECT_NE(loaded->error->message().find("not a regular file"), std::string::npos);
    ASSERT_TRUE(saved.has_value());
    EXPECT_NE(saved->message().find("not a regular file"), std::string::npos);
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_NE(checked[0].text().find("PATHCFG.DAT: not a regular file"), std::string::npos);
}

TEST(saved_inputs_test,
     a_symbolic_link_is_saved_through_and_a_dangling_one_is_never_created_by_a_load) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_directory(dir / "data");
    const auto link = dir / "data" / "PATHCFG.DAT";
    std::filesystem::create_symlink("../real/saved.dat", link);
    // Dangling: nothing to load, and nothing is created.
    const Loaded first = load(link);
    EXPECT_FALSE(first.applied);
    EXPECT_FALSE(std::filesystem::exists(dir / "real" / "saved.dat"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    // The save goes to the target, which is created; the link stays a link.
    PathInputs in;
    in[Field::Text11] = "Through";
    ASSERT_FALSE(saveInputs(link, in, "10", 1, 0).has_value());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::file_size(dir / "real" / "saved.dat"), 93u);
    EXPECT_EQ(load(link).inputs[Field::Text11], "Through");
    // A second save keeps the target's permissions and leaves no temporary file anywhere.
    ::chmod((dir / "real" / "saved.dat").c_str(), 0620);
    in[Field::Text11] = "Again";
    ASSERT_FALSE(saveInputs(link, in, "10", 1, 0).has_value());
    EXPECT_EQ(permissionsOf(dir / "real" / "saved.dat"), 0620u);
    EXPECT_EQ(namesIn(dir / "real"), std::vector<std::string>{"saved.dat"});
    EXPECT_EQ(namesIn(dir / "data"), std::vector<std::string>{"PATHCFG.DAT"});
}

TEST(saved_inputs_test, new_files_get_0644_less_the_umask_and_leftovers_are_removed) {
    ScratchDir dir;
    UmaskScope scope(022);
    PathInputs in;
    std::int16_t dbm = 0, watts = 0;
    // Created empty by the load, and written by the save: 0644 & ~022 = 0644 both times.
    ASSERT_TRUE(loadSavedInputs(dir / "A.DAT", in, dbm, watts).ok());
    EXPECT_EQ(permissionsOf(dir / "A.DAT"), 0644u);
    ASSERT_FALSE(saveInputs(dir / "B.DAT", in, "10", 1, 0).has_value());
    EXPECT_EQ(permissionsOf(dir / "B.DAT"), 0644u);
    // A temporary file of a save that was killed (its process number is beyond any in use).
    writeBytes(dir / ".B.DAT.tmp-99999999-00000001", "half a record");
    ASSERT_FALSE(saveInputs(dir / "B.DAT", in, "10", 1, 0).has_value());
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"A.DAT", "B.DAT"}));
}

TEST(saved_inputs_check_test, reports_a_record_cut_short_and_nothing_for_a_sound_or_absent_file) {
    ScratchDir dir;
    EXPECT_TRUE(checkSavedInputsFile(dir.path()).empty());  // none yet
    writeBytes(dir / "PATHCFG.DAT", "");
    EXPECT_TRUE(checkSavedInputsFile(dir.path()).empty());  // created empty by a load
    writeBytes(dir / "PATHCFG.DAT", handBuiltRecord("Example", ""));
    EXPECT_TRUE(checkSavedInputsFile(dir.path()).empty());
    // 80 bytes: the name's count (0x0101 = 257) runs past the end.
    writeBytes(dir / "PATHCFG.DAT", std::string(80, '\1'));
    auto problems = checkSavedInputsFile(dir.path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].text().find("PATHCFG.DAT: the file ends inside its record"),
              std::string::npos)
        << problems[0].text();
    // Cut inside the last integer: 92 of the 93 bytes.
    writeBytes(dir / "PATHCFG.DAT", handBuiltRecord("Example", "").substr(0, 92));
    EXPECT_EQ(checkSavedInputsFile(dir.path()).size(), 1u);
    std::filesystem::remove(dir / "PATHCFG.DAT");
    std::filesystem::create_directory(dir / "PATHCFG.DAT");
    problems = checkSavedInputsFile(dir.path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].text().find("is a directory"), std::string::npos);
}

}  // namespace
}  // namespace hopscale

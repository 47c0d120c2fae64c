// The equipment library: radios and antennas read, refused with the line and column of each
// problem, imported atomically and merged by name.
#include "equipment.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace hopscale {
namespace {

using namespace testing_files;

constexpr const char* kTwoModes =
    "radio,mode,capacity_mbps,threshold_dbm,max_power_dbm,c0_i_db,signature_w_mhz,"
    "signature_b_db,signature_tau_ns\n"
    "Example 6,QPSK,90,-88.5,30,15,30,20,6.3\n"
    "Example 6,128QAM,310,-71,27,33,,,\n";

std::string problemsText(const std::vector<FileProblem>& problems) {
    std::string out;
    for (const FileProblem& p : problems) out += p.text() + "\n";
    return out;
}

TEST(equipment_radios, reads_modes_and_signatures) {
    const RadiosRead r = parseRadiosCsv(kTwoModes, "radios.csv");
    ASSERT_TRUE(r.problems.empty()) << problemsText(r.problems);
    ASSERT_EQ(r.radios.size(), 1u);
    const RadioRecord& radio = r.radios[0];
    EXPECT_EQ(radio.name, "Example 6");
    ASSERT_EQ(radio.modes.size(), 2u);
    EXPECT_EQ(radio.modes[0].mode, "QPSK");
    EXPECT_DOUBLE_EQ(radio.modes[0].thresholdDbm, -88.5);
    ASSERT_TRUE(radio.modes[0].signatureMinimum);
    EXPECT_DOUBLE_EQ(radio.modes[0].signatureNonMinimum->delayNs, 6.3);
    EXPECT_TRUE(radio.modes[0].signatureBothPhases);
    EXPECT_FALSE(radio.modes[1].signatureMinimum);
    EXPECT_DOUBLE_EQ(*radio.modes[1].c0iDb, 33);
}

TEST(equipment_radios, columns_in_any_order_and_separate_phases) {
    const RadiosRead r = parseRadiosCsv(
        "# a comment\n"
        "threshold_dbm,radio,mode,capacity_mbps,signature_min_w_mhz,signature_min_b_db,"
        "signature_min_tau_ns,signature_nonmin_w_mhz,signature_nonmin_b_db,"
        "signature_nonmin_tau_ns\n"
        "\n"
        "-80,\"R, one\" ,16QAM,200,25,18,6.3,27,16,-6.3\n",
        "x.csv");
    ASSERT_TRUE(r.problems.empty()) << problemsText(r.problems);
    const RadioModeRecord& m = r.radios.at(0).modes.at(0);
    EXPECT_EQ(r.radios[0].name, "R, one");
    EXPECT_DOUBLE_EQ(m.signatureMinimum->widthMHz, 25);
    EXPECT_DOUBLE_EQ(m.signatureNonMinimum->delayNs, -6.3);
    EXPECT_FALSE(m.signatureBothPhases);
}

TEST(equipment_radios, every_problem_names_line_and_column) {
    const RadiosRead r = parseRadiosCsv(
        "radio,mode,capacity_mbps,threshold_dbm,signature_w_mhz,signature_b_db,"
        "signature_tau_ns,signature_min_w_mhz,signature_min_b_db,signature_min_tau_ns\n"
        "A,BPSK,abc,-80,,,,,,\n"                 // line 2: capacity not a number
        "A,16QAM,100,-75,30,,6.3,,,\n"           // line 3: signature incomplete
        "A,32QAM,100,-72,30,20,6.3,30,20,6.3\n"  // line 4: both forms
        "A,16QAM,100,-70,,,,,,\n"                // line 5: first 16QAM that is sound
        "A,64QAM,0,-70,,,,,,\n"                  // line 6: capacity not above 0
        "A,128QAM,10,-70,30,20,0,,,\n"           // line 7: reference delay 0
        "A,256QAM,10\n"                          // line 8: cells missing
        "A,16QAM,100,-70,,,,,,\n",               // line 9: mode repeated
        "radios.csv");
    const std::string text = problemsText(r.problems);
    EXPECT_NE(text.find("radios.csv: line 2, column 3 (capacity_mbps): \"abc\" is not a number"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("line 3, column 6 (signature_b_db): is empty"), std::string::npos) << text;
    EXPECT_NE(text.find("line 4, column 5 (signature_w_mhz): a signature of both phases"),
              std::string::npos)
        << text;
    EXPECT_NE(
        text.find("line 9, column 2 (mode): mode \"16QAM\" of radio \"A\" is given on line 5"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("line 6, column 3 (capacity_mbps): 0 must be more than 0"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("line 7, column 7 (signature_tau_ns)"), std::string::npos) << text;
    EXPECT_NE(text.find("line 8: the row has 3 cells, the header 10"), std::string::npos) << text;
}

TEST(equipment_radios, header_problems_stop_the_reading) {
    const RadiosRead unknown = parseRadiosCsv("radio,mode,capacity,threshold_dbm\n", "r.csv");
    EXPECT_NE(problemsText(unknown.problems).find("line 1, column 3: unknown column \"capacity\""),
              std::string::npos);
    const RadiosRead missing = parseRadiosCsv("radio,mode,threshold_dbm\nA,B,-80\n", "r.csv");
    EXPECT_NE(problemsText(missing.problems).find("lacks the column \"capacity_mbps\""),
              std::string::npos);
    EXPECT_TRUE(missing.radios.empty());
    EXPECT_FALSE(parseRadiosCsv("", "r.csv").problems.empty());
}

TEST(equipment_antennas, reads_and_refuses) {
    const AntennasRead good =
        parseAntennasCsv("antenna,diameter_ft,gain_dbi,xpd_db\nHP6,6,39.1,30\nP2,2,,\n", "a.csv");
    ASSERT_TRUE(good.problems.empty()) << problemsText(good.problems);
    ASSERT_EQ(good.antennas.size(), 2u);
    EXPECT_DOUBLE_EQ(*good.antennas[0].xpdDb, 30);
    EXPECT_FALSE(good.antennas[1].gainDbi);
    const AntennasRead bad =
        parseAntennasCsv("antenna,diameter_ft\nHP6,-1\nHP6,2\nHP6,3\n", "a.csv");
    const std::string text = problemsText(bad.problems);
    EXPECT_NE(text.find("line 2, column 2 (diameter_ft): -1 must be more than 0"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("line 4, column 1 (antenna): antenna \"HP6\" is given on line 3"),
              std::string::npos)
        << text;
}

TEST(equipment_import, writes_merges_and_reads_back) {
    ScratchDir dir;
    EquipmentImport first = importEquipmentCsv(kTwoModes, "in.csv", dir.path(), false);
    ASSERT_TRUE(first.problems.empty()) << problemsText(first.problems);
    EXPECT_TRUE(first.radios);
    EXPECT_EQ(first.records, 1u);
    // A second radio merges in; the same name again replaces the radio whole.
    ASSERT_TRUE(importEquipmentCsv("radio,mode,capacity_mbps,threshold_dbm\nOther,BPSK,20,-95\n",
                                   "b.csv", dir.path(), false)
                    .problems.empty());
    ASSERT_TRUE(
        importEquipmentCsv("radio,mode,capacity_mbps,threshold_dbm\nExample 6,QPSK,100,-87\n",
                           "c.csv", dir.path(), false)
            .problems.empty());
    ASSERT_TRUE(importEquipmentCsv("antenna,diameter_ft,gain_dbi,xpd_db\nHP6,6,39.1,30\n", "a.csv",
                                   dir.path(), false)
                    .problems.empty());
    const Result<EquipmentLibrary> library = loadEquipment(dir.path());
    ASSERT_TRUE(library) << library.error->message();
    ASSERT_EQ(library.value->radios.size(), 2u);
    const RadioRecord* r = library.value->radio("Example 6");
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->modes.size(), 1u);
    EXPECT_DOUBLE_EQ(r->modes[0].thresholdDbm, -87);
    ASSERT_NE(library.value->antenna("HP6"), nullptr);
    EXPECT_TRUE(checkEquipment(dir.path()).empty());
    // --replace keeps only what is imported.
    ASSERT_TRUE(importEquipmentCsv("radio,mode,capacity_mbps,threshold_dbm\nNew,QPSK,50,-90\n",
                                   "d.csv", dir.path(), true)
                    .problems.empty());
    EXPECT_EQ(loadEquipment(dir.path()).value->radios.size(), 1u);
}

TEST(equipment_import, nothing_is_written_on_a_problem) {
    ScratchDir dir;
    ASSERT_TRUE(importEquipmentCsv(kTwoModes, "in.csv", dir.path(), false).problems.empty());
    const std::string before = readBytes(dir / kRadiosFileName);
    const EquipmentImport bad = importEquipmentCsv(
        "radio,mode,capacity_mbps,threshold_dbm\nGood,QPSK,50,-90\nBad,QPSK,50,x\n", "bad.csv",
        dir.path(), false);
    ASSERT_FALSE(bad.problems.empty());
    EXPECT_EQ(bad.problems[0].text(),
              "bad.csv: line 3, column 4 (threshold_dbm): \"x\" is not a number");
    EXPECT_EQ(readBytes(dir / kRadiosFileName), before);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{kRadiosFileName});
    // Neither radios nor antennas.
    EXPECT_FALSE(importEquipmentCsv("name,x\n", "n.csv", dir.path(), false).problems.empty());
    // A library file with problems is not merged into.
    writeBytes(dir / kAntennasFileName, "antenna,diameter_ft\nA,zero\n");
    const EquipmentImport merged =
        importEquipmentCsv("antenna,diameter_ft\nB,2\n", "b.csv", dir.path(), false);
    ASSERT_FALSE(merged.problems.empty());
    EXPECT_NE(merged.problems[0].text().find("antennas.csv: line 2, column 2"), std::string::npos);
    const auto problems = checkEquipment(dir.path());
    ASSERT_EQ(problems.size(), 1u);
    const Result<EquipmentLibrary> library = loadEquipment(dir.path());
    ASSERT_FALSE(library);
    EXPECT_EQ(library.error->kind, ErrorKind::BadFile);
    EXPECT_NE(library.error->message().find("line 2, column 2"), std::string::npos);
}

TEST(equipment_library, absent_files_are_an_empty_library_and_gains_follow_the_budget) {
    ScratchDir dir;
    const Result<EquipmentLibrary> library = loadEquipment(dir.path());
    ASSERT_TRUE(library);
    EXPECT_TRUE(library.value->radios.empty());
    EXPECT_TRUE(checkEquipment(dir.path()).empty());
    // 6 ft at 6 GHz: 20 log 6 + 20 log 6 + 7.5.
    EXPECT_NEAR(budgetDishGainDbi(6, 6), 38.6264 + 0.0, 1e-3);
}

}  // namespace
}  // namespace hopscale

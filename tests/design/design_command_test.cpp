// `hopscale design` through the real binary: each direction of `design report --json` holds
// exactly what `calc --json` prints for the same hop, with the options written out by hand.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "shell_run.h"
#include "test_files.h"

namespace {

using hopscale::testing_files::ProcessRun;
using hopscale::testing_files::runShell;
using hopscale::testing_files::ScratchDir;
using Json = nlohmann::json;

class DesignCommand : public ::testing::Test {
  protected:
    ProcessRun run(const std::string& arguments) {
        const std::string err = (dir_ / "stderr").string();
        return runShell("'" + std::string(HOPSCALE_BINARY) + "' --data-dir '" +
                            (dir_ / "data").string() + "' " + arguments + " 2>'" + err + "'",
                        err);
    }
    std::string file(const std::string& name, const std::string& text) {
        const auto p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    Json json(const std::string& arguments) {
        ProcessRun r = run(arguments);
        EXPECT_EQ(r.status, 0) << arguments << "\n" << r.err;
        return Json::parse(r.out);
    }
    ScratchDir dir_;
};

struct Composed {
    const char* design;  // the design file
    const char* ab;      // calc options for From to To
    const char* ba;      // calc options for To to From
};

const Composed kComposed[] = {
    // No coordinates, a typed length in km, rain zone, different ends.
    {R"({"format": "hopscale-design", "version": 1, "name": "Plain",
         "path": {"freq": "11", "k": "1.33", "fade-margin": "20", "length": "24", "km": true},
         "sites": [{"name": "A", "dish": "6", "loss": "1.5", "length": "120", "power": "30",
                    "amp-gain": "2", "preamp-gain": "1", "threshold": "-78"},
                   {"name": "B", "dish": "8", "loss": "2", "length": "80", "power": "0.5",
                    "watts": true, "amp-gain": "0", "preamp-gain": "3", "threshold": "-75"}],
         "conditions": {"rain-zone": "N", "polarisation": "h"}})",
     "--name Plain --freq 11 --k 1.33 --fade-margin 20 --length 24 --km --tx-dish 6 "
     "--rx-dish 8 --tx-loss 1.5 --rx-loss 2 --tx-length 120 --rx-length 80 --power 30 "
     "--amp-gain 2 --preamp-gain 3 --threshold -75 --rain-zone N --polarisation h",
     "--name Plain --freq 11 --k 1.33 --fade-margin 20 --length 24 --km --tx-dish 8 "
     "--rx-dish 6 --tx-loss 2 --rx-loss 1.5 --tx-length 80 --rx-length 120 --power 0.5 --watts "
     "--amp-gain 0 --preamp-gain 1 --threshold -78 --rain-zone N --polarisation h"},
    // Coordinates, catalogue line types (transmit and receive rules), a typed rain rate.
    {R"({"format": "hopscale-design", "version": 1, "name": "Lines",
         "path": {"freq": "10"},
         "sites": [{"name": "Hill", "lat": "414530", "lon": "813000", "dish": "4",
                    "line-type": "WR90", "length": "60", "power": "27", "threshold": "-80"},
                   {"name": "Vale", "lat": "413000", "lon": "812500", "dish": "4",
                    "line-type": "WR90", "length": "90", "power": "27", "threshold": "-80"}],
         "conditions": {"rain-rate": "35"}})",
     nullptr, nullptr},
    // P.530 multipath with the heights and ground of the sites, no rain source.
    {R"({"format": "hopscale-design", "version": 1, "name": "Deep",
         "path": {"freq": "6", "length": "30"},
         "sites": [{"name": "P", "dish": "10", "loss": "1", "length": "100", "power": "30",
                    "threshold": "-72", "antenna-height": "40", "ground-elevation": "120"},
                   {"name": "Q", "dish": "10", "loss": "1", "length": "100", "power": "30",
                    "threshold": "-72", "antenna-height": "25", "ground-elevation": "60"}],
         "conditions": {"multipath": "p530", "geoclimatic-k": "-4.2", "dn75": "250",
                        "mean-terrain": "80", "latitude": "40"}})",
     "--name Deep --freq 6 --length 30 --tx-dish 10 --rx-dish 10 --tx-loss 1 --rx-loss 1 "
     "--power 30 --threshold -72 --multipath p530 --geoclimatic-k -4.2 --dn75 250 "
     "--mean-terrain 80 --latitude 40 --antenna-heights 40,25 --ground-elevations 120,60",
     "--name Deep --freq 6 --length 30 --tx-dish 10 --rx-dish 10 --tx-loss 1 --rx-loss 1 "
     "--power 30 --threshold -72 --multipath p530 --geoclimatic-k -4.2 --dn75 250 "
     "--mean-terrain 80 --latitude 40 --antenna-heights 25,40 --ground-elevations 60,120"},
};

TEST_F(DesignCommand, EachDirectionEqualsCalcForTheComposedOptions) {
    for (const Composed& c : kComposed) {
        const std::string design = file("d.hop", c.design);
        Json report = json("design report --json '" + design + "'");
        ASSERT_EQ(report["directions"].size(), 2u);
        std::string ab = c.ab ? c.ab : "";
        std::string ba = c.ba ? c.ba : "";
        if (!c.ab) {
            // The line types as the guide would write them: WR90 at 10 GHz, transmit rules at
            // the sending end, receive rules at the receiving end.
            ProcessRun tx = run("catalogue lookup --freq 10 WR90");
            ProcessRun rx = run("catalogue lookup --rx --freq 10 WR90");
            ASSERT_EQ(tx.status, 0) << tx.err;
            ASSERT_EQ(rx.status, 0) << rx.err;
            const std::string txLoss = tx.out.substr(0, tx.out.find_first_of(" \n"));
            const std::string rxLoss = rx.out.substr(0, rx.out.find_first_of(" \n"));
            const std::string common =
                "--name Lines --freq 10 --tx-dish 4 --rx-dish 4 --power 27 --threshold -80 "
                "--rain-rate 35 --tx-loss " +
                txLoss + " --rx-loss " + rxLoss;
            ab = common +
                 " --from-lat 414530 --from-lon 813000 --to-lat 413000 --to-lon 812500 "
                 "--tx-length 60 --rx-length 90";
            ba = common +
                 " --from-lat 413000 --from-lon 812500 --to-lat 414530 --to-lon 813000 "
                 "--tx-length 90 --rx-length 60";
        }
        for (int i = 0; i < 2; ++i) {
            Json calc = json("calc --json " + (i == 0 ? ab : ba));
            const Json& direction = report["directions"][i];
            EXPECT_EQ(direction["results"], calc["results"]) << c.design << " direction " << i;
            EXPECT_EQ(direction["performance"], calc["performance"])
                << c.design << " direction " << i;
        }
    }
}

TEST_F(DesignCommand, TheProfileIsExactlyWhatProfilePrintsForTheSameInputs) {
    std::string csv = "distance_km,elevation_m\n";
    for (int i = 0; i <= 30; ++i) csv += std::to_string(i) + "," + (i == 12 ? "190" : "100") + "\n";
    file("ridge.csv", csv);
    const std::string design = file("r.hop", R"({"format": "hopscale-design", "version": 1,
        "path": {"freq": "11", "length": "30", "km": true},
        "sites": [{"antenna-height": "20", "threshold": "-75"},
                  {"antenna-height": "25", "threshold": "-75"}],
        "conditions": {"polarisation": "h"},
        "profile": {"profile": "ridge.csv", "diffraction-k": "1", "reflection": true,
                    "ground": "sea", "criteria": "sixty"}})");
    Json report = json("design report --json '" + design + "'");
    Json profile = json("profile --profile '" + (dir_ / "ridge.csv").string() +
                        "' --freq 11 --antenna-heights 20,25 --polarisation h --diffraction-k 1 "
                        "--reflection --ground sea --criteria sixty --json");
    EXPECT_EQ(report["profile"], profile);
    EXPECT_TRUE(report["profile"]["reflection"].is_array());
    // The delta-Bullington loss is what a design would take from its margins.
    EXPECT_EQ(report["profile"]["diffraction"]["lossDb"], profile["diffractionLossDb"]);
}

TEST_F(DesignCommand, RadiosAndAntennasOfTheLibraryGiveWhatCalcGives) {
    std::filesystem::create_directories(dir_ / "data");
    std::ofstream(dir_ / "data" / "radios.csv")
        << "radio,mode,capacity_mbps,threshold_dbm,max_power_dbm,c0_i_db,signature_w_mhz,"
           "signature_b_db,signature_tau_ns\n"
           "Example 6,QPSK,90,-88,30,15,30,20,6.3\n"
           "Example 6,128QAM,310,-71,27,33,30,12,6.3\n";
    std::ofstream(dir_ / "data" / "antennas.csv")
        << "antenna,diameter_ft,gain_dbi,xpd_db\nExample 6ft,6,39.1,30\n";
    const std::string design = file("radio.hop", R"({"format": "hopscale-design", "version": 1,
        "path": {"freq": "6", "length": "45", "km": true},
        "sites": [{"power": "30", "radio": "Example 6", "antenna": "Example 6ft",
                   "ground-elevation": "200", "antenna-height": "60"},
                  {"power": "30", "radio": "Example 6", "antenna": "Example 6ft",
                   "ground-elevation": "150", "antenna-height": "60"}],
        "conditions": {"multipath": "p530", "geoclimatic-k": "1e-5", "dn75": "40",
                       "mean-terrain": "120", "latitude": "45", "rain-rate": "42",
                       "diversity": "space", "diversity-separation": "10"}})");
    Json report = json("design report --json '" + design + "'");
    const std::string common =
        "calc --json --freq 6 --length 45 --km --power 30 --radio 'Example 6' "
        "--rx-radio 'Example 6' --antenna 'Example 6ft' --rx-antenna 'Example 6ft' "
        "--multipath p530 --geoclimatic-k 1e-5 --dn75 40 --antenna-heights 60,60 "
        "--mean-terrain 120 --latitude 45 --rain-rate 42 --diversity space "
        "--diversity-separation 10 --name Example";
    Json ab = json(common + " --ground-elevations 200,150");
    Json ba = json(common + " --ground-elevations 150,200");
    EXPECT_EQ(report["directions"][0]["performance"], ab["performance"]);
    EXPECT_EQ(report["directions"][1]["performance"], ba["performance"]);
    EXPECT_EQ(report["directions"][0]["results"], ab["results"]);
    const Json& modes = report["twoWay"]["modes"];
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0]["name"], "QPSK");
    EXPECT_NEAR(modes[1]["outagePercent"].get<double>(),
                100 - ab["performance"]["modes"][1]["availabilityPercent"].get<double>() + 100 -
                    ba["performance"]["modes"][1]["availabilityPercent"].get<double>(),
                1e-9);
    // A radio the library does not hold is named by its key.
    const std::string bad = file("bad-radio.hop", R"({"format": "hopscale-design", "version": 1,
        "sites": [{"radio": "Nope"}, {}]})");
    ProcessRun r = run("design report '" + bad + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sites[0].radio"), std::string::npos) << r.err;
}

TEST_F(DesignCommand, NewWritesAValidExampleAndRefusesToOverwrite) {
    const std::string path = (dir_ / "new.hop").string();
    ProcessRun r = run("design new '" + path + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(run("design check '" + path + "'").status, 0);
    Json report = json("design report --json '" + path + "'");
    EXPECT_TRUE(report["twoWay"].is_object());
    EXPECT_TRUE(report["profile"].is_null());
    r = run("design new '" + path + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos);
}

TEST_F(DesignCommand, BadFilesAndBadValuesExitOneNamingTheKey) {
    const std::string bad = file("bad.hop", R"({"format": "hopscale-design", "version": 1,
        "sites": [{"dihs": "6"}, {}]})");
    ProcessRun r = run("design check '" + bad + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(R"(sites[0].dihs: unknown key; did you mean "dish"?)"), std::string::npos)
        << r.err;
    const std::string wrong = file("wrong.hop", R"({"format": "hopscale-design", "version": 1,
        "path": {"freq": "ten"}})");
    r = run("design report '" + wrong + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("path.freq: "), std::string::npos) << r.err;
    EXPECT_EQ(run("design report").status, 2);
}

TEST_F(DesignCommand, TheReportWritesItsRowsAsCsvAndTheProfileAsSvg) {
    std::string csv = "distance_km,elevation_m\n0,100\n5,110\n10,100\n";
    file("p.csv", csv);
    const std::string design = file("p.hop", R"({"format": "hopscale-design", "version": 1,
        "path": {"freq": "11", "length": "10", "km": true},
        "sites": [{"antenna-height": "20", "threshold": "-75"},
                  {"antenna-height": "20", "threshold": "-75"}],
        "profile": {"profile": "p.csv"}})");
    const std::string out = (dir_ / "rows.csv").string();
    const std::string svg = (dir_ / "p.svg").string();
    ProcessRun r = run("design report '" + design + "' --csv '" + out + "' --svg '" + svg + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(out);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "key,group,caption,unit,value");
    EXPECT_TRUE(std::filesystem::file_size(svg) > 0);
    Json report = json("design report --json '" + design + "'");
    EXPECT_TRUE(report["profile"]["allMet"].is_boolean());
}

}  // namespace

namespace {

// The worked example of the README and docs/design-file.md, figure by figure.
TEST_F(DesignCommand, TheDocumentedExampleGivesTheDocumentedFigures) {
    const std::string path = (dir_ / "hop.hop").string();
    ASSERT_EQ(run("design new '" + path + "'").status, 0);
    Json report = json("design report --json '" + path + "'");
    char text[64];
    auto fixed = [&](double v, int decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, v);
        return std::string(text);
    };
    const Json& ab = report["directions"][0]["performance"];
    EXPECT_EQ(fixed(ab["geodesic"]["km"].get<double>(), 2), "29.52");
    EXPECT_EQ(fixed(ab["geodesic"]["azimuthFrom"].get<double>(), 2), "166.37");
    EXPECT_EQ(fixed(ab["gas"]["db"].get<double>(), 2), "0.47");
    for (const Json& d : report["directions"]) {
        const Json& p = d["performance"];
        EXPECT_EQ(fixed(p["rslDbm"].get<double>(), 2), "-30.64");
        EXPECT_EQ(fixed(p["flatFadeMarginDb"].get<double>(), 2), "44.36");
        EXPECT_EQ(fixed(p["availabilityPercent"].get<double>(), 6), "99.999356");
        EXPECT_EQ(fixed(p["outageMinutesPerYear"].get<double>(), 1), "3.4");
        EXPECT_TRUE(p["target"]["met"].get<bool>());
    }
    EXPECT_EQ(fixed(report["twoWay"]["availabilityPercent"].get<double>(), 6), "99.998713");
    EXPECT_EQ(fixed(report["twoWay"]["outageMinutesPerYear"].get<double>(), 1), "6.8");
    EXPECT_FALSE(report["twoWay"]["targetMet"].get<bool>());
}

}  // namespace

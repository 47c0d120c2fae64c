// The link design through the screen flow: CONTINUE takes the input screen's budget into the
// design (and only that), line types survive while their loss stands, an opened design fills
// the input screen as CONTINUE reads it, and every value is reached by its key.
#include "design_file.h"
#include "design_inputs.h"
#include "flow_harness.h"
#include "link_window.h"

namespace hopscale::flowtest {
namespace {

using design::End;

PathInputs typedPath() {
    PathInputs in;
    in[Field::Text1] = "6";
    in[Field::Text3] = "8";
    in[Field::Text2] = "1.5";
    in[Field::Text8] = "2.25";
    in[Field::Text16] = "150";
    in[Field::Text18] = "200";
    in[Field::Text5] = "414530";
    in[Field::Text6] = "813000";
    in[Field::Text7] = "413000";
    in[Field::Text9] = "812500";
    in[Field::Text10] = "7";
    in[Field::Text12] = "25";
    in[Field::Text22] = "1.33";
    in[Field::Text26] = "10";
    in[Field::Text15] = "3";
    in[Field::Text4] = "2";
    in[Field::Text11] = "North hop";
    in.watts = true;
    return in;
}

}  // namespace

class DesignFlowTest : public QObject {
    Q_OBJECT
  private slots:
    void continueTakesTheBudgetIntoTheDesign();
    void lineTypesStayWhileTheirLossStands();
    void openedDesignFillsTheInputScreen();
    void everyValueIsReachedByItsKey();
};

void DesignFlowTest::continueTakesTheBudgetIntoTheDesign() {
    Program p;
    p.start();
    p.click(p.start_().Command3);  // Skip
    design::LinkDesign& d = p.screens->design();
    d.site(End::To).power = "33";
    d.site(End::To).ampGain = "4";
    d.site(End::From).preampGain = "5";
    d.site(End::To).threshold = "-80";
    d.conditions[propagation::ConditionInput::RainZone] = "K";
    int told = 0;
    QObject::connect(p.screens.get(), &Screens::designChanged, [&told] { ++told; });
    p.input().setInputs(typedPath());
    p.click(p.input().Command1);
    QVERIFY2(p.visible(FormId::Results), qPrintable(p.screens->takeReportedErrors().join("; ")));
    QCOMPARE(told, 1);
    const design::SiteDesign& a = d.site(End::From);
    const design::SiteDesign& b = d.site(End::To);
    QCOMPARE(a.dish, std::string("6"));
    QCOMPARE(b.dish, std::string("8"));
    QCOMPARE(a.loss + "/" + a.length, std::string("1.5/150"));
    QCOMPARE(b.loss + "/" + b.length, std::string("2.25/200"));
    QCOMPARE(a.lat + " " + a.lon + " " + b.lat + " " + b.lon,
             std::string("414530 813000 413000 812500"));
    QCOMPARE(a.power, std::string("10"));
    QVERIFY(a.watts);
    QCOMPARE(a.ampGain, std::string("3"));
    QCOMPARE(b.preampGain, std::string("2"));
    QCOMPARE(d.path.freq + " " + d.path.fadeMargin + " " + d.path.k, std::string("7 25 1.33"));
    QCOMPARE(d.name, std::string("North hop"));
    // What the input screen does not hold stays.
    QCOMPARE(b.power, std::string("33"));
    QVERIFY(!b.watts);
    QCOMPARE(b.ampGain, std::string("4"));
    QCOMPARE(a.preampGain, std::string("5"));
    QCOMPARE(b.threshold, std::string("-80"));
    QCOMPARE(d.conditions[propagation::ConditionInput::RainZone], std::string("K"));

    // A CONTINUE that fails changes nothing in the design.
    p.screens->show(FormId::Path_Info);
    p.input().field(Field::Text10)->setText("x");
    p.click(p.input().Command1);
    QCOMPARE(p.screens->takeReportedErrors().size(), 1);
    QCOMPARE(d.path.freq, std::string("7"));
    QCOMPARE(told, 1);

    // The path length typed in km: the design keeps the typed text and the unit, not the
    // miles the input screen shows after the calculation.
    PathInputs byLength = typedPath();
    for (Field f : {Field::Text5, Field::Text6, Field::Text7, Field::Text9}) byLength[f] = "0";
    byLength[Field::Text24] = "20";
    byLength.km = true;
    p.input().setInputs(byLength);
    p.click(p.input().Command1);
    QVERIFY(p.visible(FormId::Results));
    QCOMPARE(d.path.length, std::string("20"));
    QVERIFY(d.path.km);
}

void DesignFlowTest::lineTypesStayWhileTheirLossStands() {
    Program p;
    design::LinkDesign d;
    d.path.freq = "7";
    d.site(End::From).lineType = "LINEA";  // 1.1 dB/100 ft at 7 GHz
    d.site(End::To).lineType = "LINEB";    // 0.7
    const PathInputs shown = design::inputScreenFields(d, p.dataDir());
    QCOMPARE(std::stod(shown[Field::Text2]), 1.1);
    QCOMPARE(std::stod(shown[Field::Text8]), 0.7);

    design::LinkDesign same = d;
    design::takeInputScreen(same, shown, p.dataDir());
    QCOMPARE(same.site(End::From).lineType, std::string("LINEA"));
    QCOMPARE(same.site(End::To).lineType, std::string("LINEB"));

    // A loss typed over the transmit line's: the typed loss counts, its line type goes.
    PathInputs typed = shown;
    typed[Field::Text2] = "2";
    design::LinkDesign over = d;
    design::takeInputScreen(over, typed, p.dataDir());
    QVERIFY(over.site(End::From).lineType.empty());
    QCOMPARE(over.site(End::From).loss, std::string("2"));
    QCOMPARE(over.site(End::To).lineType, std::string("LINEB"));

    // Another frequency: the losses shown were looked up for the old one, so both go.
    PathInputs moved = shown;
    moved[Field::Text10] = "8";
    design::LinkDesign other = d;
    design::takeInputScreen(other, moved, p.dataDir());
    QVERIFY(other.site(End::From).lineType.empty() && other.site(End::To).lineType.empty());

    // A line type that cannot be looked up leaves the typed losses in the fields.
    design::LinkDesign unknown = d;
    unknown.site(End::From).lineType = "NOFILE";
    unknown.site(End::From).loss = "1.75";
    QCOMPARE(design::inputScreenFields(unknown, p.dataDir())[Field::Text2], std::string("1.75"));
}

void DesignFlowTest::openedDesignFillsTheInputScreen() {
    Program p;
    p.start();
    p.click(p.start_().Command3);  // Skip
    p.input().setInputs(typedPath());
    p.click(p.input().Command1);
    QVERIFY(p.visible(FormId::Results));
    const float firstLevel = p.state.path.results.receiveSignalLevel;

    design::LinkDesign d = design::exampleDesign();
    d.path.freq = "7";
    d.site(End::From).lineType = "LINEA";
    const std::filesystem::path file = p.dataDir() / "lined.hop";
    QVERIFY(!design::writeDesignFile(file, d));
    LinkWindow& w = openLinkPerformance(*p.screens);
    QVERIFY(w.openDesign(QString::fromStdString(file.string())));
    QVERIFY2(p.screens->takeReportedErrors().isEmpty(), "open");
    Path_Info& input = p.input();
    QCOMPARE(input.Text13->text(), QString("LINEA"));
    QCOMPARE(input.field(Field::Text2)->text().toDouble(), 1.1);
    QCOMPARE(input.field(Field::Text10)->text(), QString("7"));
    QCOMPARE(input.field(Field::Text11)->text(), QString::fromStdString(d.name));
    // The results screen shows the opened hop's budget.
    QVERIFY(p.state.path.results.receiveSignalLevel != firstLevel);
    // CONTINUE over the opened design keeps its line type, as its loss stands.
    p.screens->show(FormId::Path_Info);
    p.click(input.Command1);
    QCOMPARE(p.screens->design().site(End::From).lineType, std::string("LINEA"));
    QCOMPARE(p.screens->design().name, d.name);
}

void DesignFlowTest::everyValueIsReachedByItsKey() {
    design::LinkDesign d;
    int n = 0;
    auto roundTrip = [&](const std::string& key, const std::string& text) {
        const auto failed = design::setKeyText(d, key, text);
        QVERIFY2(!failed, key.c_str());
        QCOMPARE(design::keyText(d, key), text);
        ++n;
    };
    for (int site = 0; site < 2; ++site) {
        for (const design::TextKey& k : design::kSiteKeys) {
            const std::string key = "sites[" + std::to_string(site) + "]." + k.key;
            roundTrip(key, design::isSwitchKey(k.key) ? "1" : "v" + std::to_string(n));
        }
    }
    for (const design::TextKey& k : design::kPathKeys) {
        roundTrip(std::string("path.") + k.key, design::isSwitchKey(k.key) ? "1" : "p");
    }
    for (const std::string& k : design::conditionKeyNames()) roundTrip("conditions." + k, "c");
    roundTrip("profile.profile", "a.csv");
    roundTrip("profile.dem", "a.hgt;b.hgt");
    roundTrip("name", "N");
    // The 14th key of the second site, after the first site's 16.
    QCOMPARE(d.sites[1].threshold, std::string("v29"));
    for (const char* bad : {"sites[2].dish", "sites[0]dish", "sites[0].dsh", "conditions.threshold",
                            "path", "paths.freq", ""}) {
        QVERIFY2(design::setKeyText(d, bad, "1"), bad);
        QCOMPARE(design::keyText(d, bad), std::string());
    }
}

int runDesignFlowTests(int argc, char** argv) {
    DesignFlowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace hopscale::flowtest

#include "design_flow_test.moc"

// The `sheetstat` program end to end: small CSV files in, JSON or CSV out, compared
// with values computed here from the data; every error path with its message and exit
// code; the SVG charts parsed as XML with their series counted by colour.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <sys/wait.h>

#include "chart.hpp"

namespace sheetstat::host {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct Result {
    int exit = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Moments {
    long double n = 0, mean = 0, variance = 0;
};

// Count, mean and sample variance by two passes in long double.
Moments Reference(const std::vector<double>& values)
{
    Moments m;
    for (const double x : values) m.mean += x;
    m.n = static_cast<long double>(values.size());
    m.mean /= m.n;
    for (const double x : values) m.variance += (x - m.mean) * (x - m.mean);
    m.variance /= m.n - 1;
    return m;
}

constexpr double kMissingCell = std::numeric_limits<double>::quiet_NaN();  // an empty cell of a test table

void ExpectClose(double actual, long double expected)
{
    EXPECT_NEAR(actual, static_cast<double>(expected), 1e-12 * std::fabs(static_cast<double>(expected)) + 1e-300);
}

class Sheetstat : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) /
               (std::string("sheetstat_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string File(const std::string& name, const std::string& text)
    {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }

    // Runs the program in the test's folder with `args`.
    Result Run(const std::vector<std::string>& args)
    {
        std::string command = "cd '" + dir_.string() + "' && '" SHEETSTAT_PROGRAM "'";
        for (const std::string& a : args) {
            command += " '";
            for (const char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
            command += "'";
        }
        command += " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_ / "out.txt"), Slurp(dir_ / "err.txt")};
    }

    Json RunJson(const std::vector<std::string>& args)
    {
        const Result r = Run(args);
        EXPECT_EQ(r.exit, 0) << r.err;
        return Json::parse(r.out);
    }

    fs::path dir_;
};

TEST_F(Sheetstat, DescriptivesSkipEmptyCellsAndReportEmptyResultsAsNull)
{
    File("data.csv", "id,height,one\n1,170.5,7\n2,,\n3,165.25,\n4,180,\n5,1e2,\n");
    const Json json = RunJson({"descriptives", "--format", "json", "data.csv", "height", "3"});
    const Json& table = json["tables"]["statistics"];
    EXPECT_EQ(table["columns"], Json({"height", "one"}));
    const Moments m = Reference({170.5, 165.25, 180, 100});
    EXPECT_EQ(table["rows"]["n"], Json({4, 1}));
    ExpectClose(table["rows"]["mean"][0], m.mean);
    ExpectClose(table["rows"]["standard deviation"][0], std::sqrt(m.variance));
    EXPECT_EQ(table["rows"]["sum"][0], 615.75);
    EXPECT_TRUE(table["rows"]["standard deviation"][1].is_null());

    const Result csv = Run({"descriptives", "--format", "csv", "data.csv", "one"});
    EXPECT_NE(csv.out.find("table,row,column,value\nstatistics,n,one,1\nstatistics,mean,one,7\n"), std::string::npos);
    EXPECT_NE(csv.out.find("\nstatistics,standard deviation,one,\n"), std::string::npos);
}

TEST_F(Sheetstat, TTestGroupsAreLabelsInAscendingOrder)
{
    File("trial.csv",
         "arm,response\nplacebo,5.1\ndrug,6.3\nplacebo,4.8\ndrug,7.0\nplacebo,\ndrug,6.1\n,9.9\nplacebo,5.5\ndrug,6.8\n"
         "placebo,4.9\n");
    const std::vector<double> drug = {6.3, 7.0, 6.1, 6.8}, placebo = {5.1, 4.8, 5.5, 4.9};
    const Json json = RunJson({"ttest", "--format", "json", "trial.csv", "response", "--by", "arm"});
    const Json& groups = json["tables"]["groups"];
    EXPECT_EQ(groups["columns"], Json({"drug", "placebo", "both"}));
    EXPECT_EQ(groups["rows"]["n"], Json({4, 4, 8}));
    const Moments d = Reference(drug), p = Reference(placebo);
    ExpectClose(groups["rows"]["mean"][0], d.mean);
    ExpectClose(groups["rows"]["mean"][1], p.mean);
    const long double pooled = ((d.n - 1) * d.variance + (p.n - 1) * p.variance) / (d.n + p.n - 2);
    const long double t = (d.mean - p.mean) / std::sqrt(pooled * (1 / d.n + 1 / p.n));
    const long double vd = d.variance / d.n, vp = p.variance / p.n;
    const long double welchDf = (vd + vp) * (vd + vp) / (vd * vd / (d.n - 1) + vp * vp / (p.n - 1));
    const Json& tests = json["tables"]["tests"]["rows"];
    ExpectClose(tests["t (pooled variance)"][0], t);
    ExpectClose(tests["degrees of freedom (Welch)"][0], welchDf);
    EXPECT_EQ(tests["degrees of freedom (pooled)"][0], 6);
}

TEST_F(Sheetstat, CrosstabsOfQuotedLabelsInASemicolonFileWithCrlf)
{
    File("cities.csv", "\xEF\xBB\xBF\"city\";answer\r\n\"Paris; FR\";yes\r\n\"Paris; FR\";no\r\n\"Rome \"\"IT\"\"\";yes\r\n"
                       "\"Rome \"\"IT\"\"\";yes\r\n\"Rome \"\"IT\"\"\";no\r\n\"Paris; FR\";no\r\n\"Rome \"\"IT\"\"\";yes\r\n");
    const Json json = RunJson({"crosstabs", "--sep", ";", "--format", "json", "cities.csv", "city", "answer"});
    const Json& observed = json["tables"]["observed"];
    EXPECT_EQ(observed["columns"], Json({"no", "yes", "total"}));
    EXPECT_EQ(observed["rows"]["Paris; FR"], Json({2, 1, 3}));
    EXPECT_EQ(observed["rows"]["Rome \"IT\""], Json({1, 3, 4}));
    EXPECT_EQ(observed["rows"]["total"], Json({3, 4, 7}));
    const double O[2][2] = {{2, 1}, {1, 3}}, rows[2] = {3, 4}, cols[2] = {3, 4};
    long double chiSquare = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const long double E = rows[i] * cols[j] / 7.0L;
            chiSquare += (O[i][j] - E) * (O[i][j] - E) / E;
        }
    ExpectClose(json["tables"]["tests"]["rows"]["chi-square"][0], chiSquare);
}

TEST_F(Sheetstat, MeansOfGroupsOfNumbersInNumericOrder)
{
    File("m.csv", "dose,y\n10,1\n9,2\n100,3\n10,5\n9,4\n");
    const Json json = RunJson({"means", "--format", "json", "m.csv", "y", "--by", "dose"});
    const Json& rows = json["tables"]["groups"]["rows"];
    EXPECT_EQ(json["tables"]["groups"]["columns"], Json({"n", "mean", "standard deviation"}));
    EXPECT_EQ(rows["9"], Json({2, 3, std::sqrt(2.0)}));
    EXPECT_EQ(rows["10"][1], 3);
    EXPECT_TRUE(rows["100"][2].is_null());
    EXPECT_EQ(rows["total"][0], 5);
}

TEST_F(Sheetstat, PairedTTestAsCsv)
{
    File("p.csv", "before,after\n10,12\n11,\n9,10.5\n12,15\n8,8.25\n");
    const Result r = Run({"paired-ttest", "--format", "csv", "p.csv", "after", "before"});
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::vector<double> d = {2, 1.5, 3, 0.25};
    const Moments m = Reference(d);
    const long double t = m.mean / std::sqrt(m.variance / m.n);
    const std::string prefix = "test,t,value,";
    const std::size_t at = r.out.find(prefix);
    ASSERT_NE(at, std::string::npos) << r.out;
    ExpectClose(std::stod(r.out.substr(at + prefix.size())), t);
    EXPECT_NE(r.out.find("test,pairs n,value,4\n"), std::string::npos);
}

TEST_F(Sheetstat, RepeatedAnalysesGetAColumnOrATablePerColumnAndGroup)
{
    File("r.csv", "g,x\nA,1\nB,10\nA,2\nB,14\nA,\nA,6\nB,12\n");
    const Json ks = RunJson({"ks-normal", "--format", "json", "r.csv", "x", "--by", "g"});
    EXPECT_EQ(ks["tables"]["test"]["columns"], Json({"x: A", "x: B"}));
    EXPECT_EQ(ks["tables"]["test"]["rows"]["n"], Json({3, 3}));

    const Json outliers = RunJson({"outliers", "--format", "json", "r.csv", "x", "--by", "g"});
    const Json& a = outliers["tables"]["outliers:x: A"]["rows"];
    EXPECT_EQ(outliers["tables"]["outliers:x: A"]["columns"], Json({"value", "z", "probability"}));
    const Moments m = Reference({1, 2, 6});
    ExpectClose(a["line 7"][1], std::fabs(6 - m.mean) / std::sqrt(m.variance));
    EXPECT_TRUE(a["line 6"][0].is_null());  // the empty cell keeps its row, without results
    EXPECT_EQ(outliers["tables"]["outliers:x: B"]["rows"].size(), 3u);
}

TEST_F(Sheetstat, McNemarOfYesNoLabelsAndTwoWayMeans)
{
    File("c.csv", "before,after,sex,site\nno,yes,f,1\nno,yes,m,2\nyes,yes,f,2\nno,no,m,1\nyes,no,f,1\nno,yes,f,2\n");
    const Json json = RunJson({"mcnemar", "--format", "json", "c.csv", "before", "after"});
    const Json& table = json["tables"]["table"];
    EXPECT_EQ(table["columns"], Json({"no", "yes", "total"}));
    EXPECT_EQ(table["rows"]["no"], Json({1, 3, 4}));
    EXPECT_EQ(table["rows"]["yes"], Json({1, 1, 2}));
    // b = 3 changes no -> yes, c = 1 yes -> no: continuity-corrected chi-square.
    EXPECT_EQ(json["tables"]["test"]["rows"]["chi-square"][0], (3.0 - 1 - 1) * (3.0 - 1 - 1) / (3 + 1));

    File("w.csv", "sex,site,y\nf,1,2\nm,2,4\nf,2,6\nm,1,8\nf,1,4\nf,2,\n");
    const Json means = RunJson({"means", "--format", "json", "w.csv", "y", "--by", "sex", "--by", "site"});
    EXPECT_EQ(means["tables"]["means"]["columns"], Json({"1", "2"}));
    EXPECT_EQ(means["tables"]["counts"]["rows"]["f"], Json({2, 1}));
    EXPECT_EQ(means["tables"]["means"]["rows"]["f"], Json({3, 6}));
    ExpectClose(means["tables"]["means"]["rows"]["total"][0], 14.0L / 3);
}

// Palette colours used to fill shapes (bars) and only to stroke them (lines).
struct SeriesColours {
    std::set<std::string> filled, stroked;
};
SeriesColours ChartSeries(const std::string& path)
{
    pugi::xml_document svg;
    const pugi::xml_parse_result parsed = svg.load_file(path.c_str());
    EXPECT_TRUE(parsed) << parsed.description();
    EXPECT_STREQ(svg.document_element().name(), "svg");
    std::set<std::string> palette;
    for (const unsigned rgb : kSeriesColors) palette.insert(fmt::format("#{:06X}", rgb));
    SeriesColours colours;
    for (const pugi::xpath_node& node : svg.select_nodes("//*")) {
        const std::string fill = node.node().attribute("fill").value(), stroke = node.node().attribute("stroke").value();
        if (palette.contains(fill)) colours.filled.insert(fill);
        if (palette.contains(stroke)) colours.stroked.insert(stroke);
    }
    for (const std::string& c : colours.filled) colours.stroked.erase(c);
    return colours;
}

TEST_F(Sheetstat, FrequenciesCountClassesAndChartBarsWithTheNormalCurve)
{
    File("f.csv", "a,b\n0,2\n2,2\n2,\n3,0\n2,1\n");
    const Json json = RunJson({"frequencies", "--format", "json", "--svg", "one.svg", "f.csv", "a"});
    EXPECT_EQ(json["tables"]["counts"]["rows"]["2"], Json({3}));
    EXPECT_EQ(json["tables"]["counts"]["rows"]["1"], Json({0}));
    EXPECT_EQ(json["tables"]["counts"]["rows"]["total"], Json({5}));
    const SeriesColours one = ChartSeries((dir_ / "one.svg").string());
    EXPECT_EQ(one.filled.size(), 1u);   // the bars
    EXPECT_EQ(one.stroked.size(), 1u);  // the normal curve

    const Json both = RunJson({"frequencies", "--format", "json", "--svg", "two.svg", "f.csv", "a", "b"});
    EXPECT_EQ(both["tables"]["counts"]["rows"]["2"], Json({3, 2}));
    const SeriesColours two = ChartSeries((dir_ / "two.svg").string());
    EXPECT_EQ(two.filled.size(), 2u);  // bars of each column, no curve
    EXPECT_EQ(two.stroked.size(), 0u);
}

// Distinct palette colours of a chart: one per plotted series (up to six series).
std::size_t SeriesCount(const std::string& path)
{
    const SeriesColours c = ChartSeries(path);
    return c.filled.size() + c.stroked.size();
}

// Mid-ranks of `values` in the pool, by counting.
long double MidRank(const std::vector<double>& pool, double x)
{
    long double below = 0, equal = 0;
    for (const double y : pool) {
        below += y < x ? 1 : 0;
        equal += y == x ? 1 : 0;
    }
    return below + (equal + 1) / 2;
}

TEST_F(Sheetstat, KruskalWallisOfLabelledGroupsAndRepeatedMeasures)
{
    File("k.csv", "g,v\nB,4.4\nA,2.1\nA,3.5\nC,7.1\nA,1.2\nB,3.5\nC,\nB,6.0\nC,5.5\nC,8.0\n");
    const std::vector<std::vector<double>> groups = {{2.1, 3.5, 1.2}, {4.4, 3.5, 6.0}, {7.1, 5.5, 8.0}};
    std::vector<double> pool;
    for (const auto& g : groups) pool.insert(pool.end(), g.begin(), g.end());
    const long double n = static_cast<long double>(pool.size());
    long double h = 0;
    for (const auto& g : groups) {
        long double sum = 0;
        for (const double x : g) sum += MidRank(pool, x);
        h += sum * sum / static_cast<long double>(g.size());
    }
    h = (12 / (n * (n + 1)) * h - 3 * (n + 1)) / (1 - (8.0L - 2) / (n * n * n - n));  // one pair of ties
    const Json json = RunJson({"kruskal-wallis", "--format", "json", "k.csv", "v", "--by", "g"});
    EXPECT_EQ(json["tables"]["groups"]["columns"], Json({"A", "B", "C"}));
    ExpectClose(json["tables"]["groups"]["rows"]["mean rank"][0], (1 + 3.5L + 2) / 3);
    ExpectClose(json["tables"]["test"]["rows"]["H (corrected for ties)"][0], h);

    // Subjects in rows, treatments in columns; the subject with an empty cell is left out.
    File("r.csv", "t1,t2,t3\n10,12,15\n11,13,14\n9,,17\n14,16,21\n");
    const double y[3][3] = {{10, 12, 15}, {11, 13, 14}, {14, 16, 21}};
    long double grand = 0, rows[3] = {}, cols[3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            grand += y[i][j] / 9.0L;
            rows[i] += y[i][j] / 3.0L;
            cols[j] += y[i][j] / 3.0L;
        }
    long double treatments = 0, subjects = 0, total = 0;
    for (int k = 0; k < 3; ++k) {
        treatments += 3 * (cols[k] - grand) * (cols[k] - grand);
        subjects += 3 * (rows[k] - grand) * (rows[k] - grand);
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) total += (y[i][j] - grand) * (y[i][j] - grand);
    const long double residual = total - treatments - subjects;
    const Json anova = RunJson({"repeated", "--format", "json", "r.csv", "t1", "t2", "t3"})["tables"]["anova"];
    EXPECT_EQ(anova["columns"][3], "F");
    EXPECT_EQ(anova["rows"].size(), 4u);  // the design has no between-subject sources
    ExpectClose(anova["rows"]["treatments"][0], treatments);
    EXPECT_EQ(anova["rows"]["residual"][1], 4);
    ExpectClose(anova["rows"]["treatments"][3], (treatments / 2) / (residual / 4));
    EXPECT_TRUE(anova["rows"]["total"][3].is_null());
}

TEST_F(Sheetstat, ControlChartCapabilityAndParetoOfLabels)
{
    File("q.csv", "x,defect,count\n1,scratch,5\n2,dent,20\n3,\"paint, chipped\",4\n4,scratch,\n5,dent,\n6,"
                  "\"paint, chipped\",6\n");
    const Json qc = RunJson({"qc-chart", "--size", "2", "--format", "json", "--svg", "qc.svg", "q.csv", "x"});
    const Json& points = qc["tables"]["points"]["rows"];
    EXPECT_EQ(points.size(), 3u);
    EXPECT_EQ(points["3"], Json({3, 5.5}));
    const Json& limits = qc["tables"]["limits"]["rows"];
    EXPECT_EQ(limits["centre line"][0], 3.5);
    ExpectClose(limits["upper control limit"][0], 3.5L + 3 * std::sqrt(3.5L) / std::sqrt(2.0L));
    ExpectClose(limits["lower warning limit"][0], 3.5L - 2 * std::sqrt(3.5L) / std::sqrt(2.0L));
    EXPECT_EQ(SeriesCount((dir_ / "qc.svg").string()), 4u);  // points, centre line, control and warning limits

    const Json cap = RunJson({"capability", "--lsl", "0", "--usl", "12", "--format", "json", "q.csv", "x"});
    const Moments m = Reference({1, 2, 3, 4, 5, 6});
    ExpectClose(cap["tables"]["capability"]["rows"]["Cp"][0], 12 / (6 * std::sqrt(m.variance)));
    ExpectClose(cap["tables"]["capability"]["rows"]["Cpk"][0], m.mean / (3 * std::sqrt(m.variance)));  // LSL nearer

    const Json pareto = RunJson({"pareto", "--format", "json", "--svg", "p.svg", "q.csv", "count", "--by", "defect"});
    const Json& categories = pareto["tables"]["categories"];
    EXPECT_EQ(categories["columns"], Json({"total", "cumulative %"}));
    EXPECT_EQ(categories["rows"].size(), 3u);
    EXPECT_EQ(categories["rows"]["paint, chipped"][0], 10);
    ExpectClose(categories["rows"]["paint, chipped"][1], 30 * 100.0L / 35);
    EXPECT_EQ(pareto["tables"]["total"]["rows"]["grand total"][0], 35);
    EXPECT_EQ(SeriesCount((dir_ / "p.svg").string()), 2u);  // bars and the cumulative line
    const Result csv = Run({"pareto", "--format", "csv", "q.csv", "count", "--by", "defect"});
    EXPECT_LT(csv.out.find("\ncategories,dent,"), csv.out.find("\ncategories,\"paint, chipped\","));  // by total
}

TEST_F(Sheetstat, ChartsHoldOneSeriesPerPlottedSet)
{
    std::string text = "x,y,g\n";
    for (int i = 0; i < 24; ++i) text += fmt::format("{},{},{}\n", i, (i * 7) % 11, "abc"[i % 3]);
    File("c.csv", text + ",3,a\n");
    const struct {
        std::vector<std::string> args;
        std::size_t series;
    } cases[] = {
        {{"scatter", "c.csv", "x", "y", "--by", "g"}, 3},
        {{"scatter", "c.csv", "x", "y"}, 1},
        {{"boxplot", "c.csv", "x", "--by", "g"}, 3},  // boxes, medians, extremes: 8 values give no 5th percentile
        {{"boxplot", "c.csv", "x", "y"}, 4},          // 24 values: whiskers to the 5th and 95th percentiles too
        {{"cumulative", "c.csv", "x"}, 2},
        {{"pareto", "c.csv", "x", "y"}, 2},
        {{"polyreg", "c.csv", "y", "x"}, 4},  // data, curve, prediction and confidence bands
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, {"--svg", "chart.svg"});
        const Result r = Run(args);
        ASSERT_EQ(r.exit, 0) << c.args[0] << r.err;
        EXPECT_EQ(SeriesCount((dir_ / "chart.svg").string()), c.series) << c.args[0] << " " << c.args.back();
    }
    const Json cumulative = RunJson({"cumulative", "--format", "json", "c.csv", "x"});
    EXPECT_EQ(cumulative["tables"]["plot"]["rows"].size(), 24u);  // the empty cell is left out
    ExpectClose(cumulative["tables"]["plot"]["rows"]["1"][1], 50.0L / 24);
}

TEST_F(Sheetstat, ClusterTreeCutIntoClusters)
{
    File("o.csv", "u,v\n1,1\n1.2,1.1\n5,5\n5.1,5.3\n9,1\n9.2,1.4\n");
    const std::vector<double> u = {1, 1.2, 5, 5.1, 9, 9.2}, v = {1, 1.1, 5, 5.3, 1, 1.4};
    const Moments mu = Reference(u), mv = Reference(v);
    const Json json = RunJson({"cluster", "--format", "json", "--clusters", "3", "--svg", "tree.svg", "o.csv", "u", "v"});
    const Json& first = json["tables"]["merges"]["rows"]["1"];  // the closest pair: lines 2 and 3
    EXPECT_EQ(first[0], 2);
    EXPECT_EQ(first[2], 3);
    ExpectClose(first[4], 0.2L * 0.2L / mu.variance + 0.1L * 0.1L / mv.variance);
    EXPECT_EQ(json["tables"]["merges"]["rows"].size(), 5u);
    const Json& membership = json["tables"]["membership"]["rows"];
    const std::vector<int> expected = {1, 1, 2, 2, 3, 3};
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(membership[fmt::format("line {}", k + 2)][0], expected[k]) << k;
    EXPECT_EQ(SeriesCount((dir_ / "tree.svg").string()), 1u);
}

// Kaplan-Meier estimates by the product limit and the log-rank statistic of two
// groups, (O - E)^2 / V, computed here from the cases.
struct Case {
    double time;
    bool event;
    int group;
};

TEST_F(Sheetstat, SurvivalOfTwoGroupsWithTheLogRankTest)
{
    File("data.csv", "time,event,group\n6,1,B\n3,1,A\n6,0,B\n2,1,A\n9,1,B\n3,0,A\n,1,A\n5,1,A\n12,0,B\n4,1,B\n"
                     "7,1,A\n10,1,B\n");
    const std::vector<Case> cases = {{6, true, 1}, {3, true, 0}, {6, false, 1}, {2, true, 0}, {9, true, 1},
                                     {3, false, 0}, {5, true, 0}, {12, false, 1}, {4, true, 1}, {7, true, 0},
                                     {10, true, 1}};
    std::set<double> times;
    for (const Case& c : cases) times.insert(c.time);
    long double observed = 0, expected = 0, variance = 0, survivalA = 1;
    std::vector<long double> survivalOfA;
    for (const double t : times) {
        long double atRisk = 0, atRiskA = 0, events = 0, eventsA = 0;
        for (const Case& c : cases) {
            atRisk += c.time >= t ? 1 : 0;
            atRiskA += c.time >= t && c.group == 0 ? 1 : 0;
            events += c.time == t && c.event ? 1 : 0;
            eventsA += c.time == t && c.event && c.group == 0 ? 1 : 0;
        }
        if (eventsA > 0) survivalOfA.push_back(survivalA *= 1 - eventsA / atRiskA);
        if (events == 0) continue;
        observed += eventsA;
        expected += atRiskA * events / atRisk;
        if (atRisk > 1) variance += events * (atRisk - events) / (atRisk - 1) * (atRiskA / atRisk) * (1 - atRiskA / atRisk);
    }
    const Json json = RunJson({"survival", "--format", "json", "--svg", "km.svg", "data.csv", "time", "event", "--by", "group"});
    const Json& lines = json["tables"]["survival"]["rows"];
    EXPECT_EQ(json["tables"]["survival"]["columns"][4], "survival");
    EXPECT_EQ(lines["A 1"][0], 2);
    EXPECT_EQ(lines["A 1"][1], 5);
    ExpectClose(lines["A 1"][4], survivalOfA[0]);
    ExpectClose(lines["A 1"][5], survivalOfA[0] * std::sqrt(1.0L / (5 * 4)));  // Greenwood
    EXPECT_EQ(lines["A 2"][3], 1);  // one of the two cases at 3 is censored
    ExpectClose(lines["A 3"][4], survivalOfA[2]);
    EXPECT_TRUE(lines["B 5"][4].is_null());  // time 12: a censoring only
    EXPECT_EQ(json["tables"]["groups"]["rows"]["lines"], Json({4, 5}));
    ExpectClose(json["tables"]["groups"]["rows"]["expected events"][0], expected);
    ExpectClose(json["tables"]["test"]["rows"]["chi-square"][0], (observed - expected) * (observed - expected) / variance);
    EXPECT_EQ(SeriesCount((dir_ / "km.svg").string()), 3u);  // a curve per group and the censoring marks
}

TEST_F(Sheetstat, TQuantileAndDemo)
{
    const Result t = Run({"tquantile", "0.05", "10"});
    EXPECT_EQ(t.exit, 0);
    EXPECT_EQ(t.out, "2.2281\n");
    const Result demo = Run({"demo", "tour"});
    EXPECT_EQ(demo.exit, 0) << demo.err;
    EXPECT_NE(demo.out.find("$ sheetstat ttest tour/people.csv height --by group"), std::string::npos);
    EXPECT_EQ(ChartSeries((dir_ / "tour" / "heads.svg").string()).filled.size(), 1u);
    EXPECT_NE(demo.out.find("Log-rank test"), std::string::npos);
    EXPECT_EQ(SeriesCount((dir_ / "tour" / "dendrogram.svg").string()), 1u);
    EXPECT_EQ(SeriesCount((dir_ / "tour" / "survival.svg").string()), 3u);
    EXPECT_NE(demo.out.find("Homogeneous subsets"), std::string::npos);
    EXPECT_EQ(SeriesCount((dir_ / "tour" / "regression.svg").string()), 4u);
}

// Sums of squares of a one-factor analysis of variance by two passes about the means.
struct OneFactor {
    std::vector<Moments> groups;
    long double between = 0, within = 0, n = 0;
};
OneFactor Anova(const std::vector<std::vector<double>>& groups)
{
    OneFactor a;
    std::vector<double> all;
    for (const auto& g : groups) {
        a.groups.push_back(Reference(g));
        all.insert(all.end(), g.begin(), g.end());
    }
    const Moments grand = Reference(all);
    a.n = grand.n;
    for (const Moments& g : a.groups) {
        a.between += g.n * (g.mean - grand.mean) * (g.mean - grand.mean);
        a.within += (g.n - 1) * g.variance;
    }
    return a;
}

TEST_F(Sheetstat, AnovaOfLabelledGroupsWithTukeysTestAndHomogeneousSubsets)
{
    File("data.csv", "group,height\nwest,171\neast,180.5\nwest,168\nnorth,175\neast,183\nwest,170.5\nnorth,174\n"
                     "east,179\nnorth,\nnorth,176.5\nwest,169\n");
    const std::vector<std::vector<double>> groups = {{180.5, 183, 179}, {175, 174, 176.5}, {171, 168, 170.5, 169}};
    const OneFactor a = Anova(groups);
    const Json json = RunJson({"anova", "--format", "json", "data.csv", "height", "--by", "group", "--posthoc", "tukey"});
    const Json& levels = json["tables"]["groups"];
    EXPECT_EQ(levels["columns"], Json({"east", "north", "west"}));
    EXPECT_EQ(levels["rows"]["n"], Json({3, 3, 4}));
    ExpectClose(levels["rows"]["mean"][2], a.groups[2].mean);
    const Json& anova = json["tables"]["anova"]["rows"];
    ExpectClose(anova["between groups"][0], a.between);
    ExpectClose(anova["within groups"][0], a.within);
    EXPECT_EQ(anova["within groups"][1], 7);
    ExpectClose(anova["between groups"][3], (a.between / 2) / (a.within / 7));
    EXPECT_TRUE(anova["total"][3].is_null());

    // Groups in ascending order of their means; D above the diagonal, 1 below where a pair differs.
    const Json& comparisons = json["tables"]["comparisons"];
    const std::vector<std::string> order = {"west", "north", "east"};
    EXPECT_EQ(comparisons["columns"], Json(order));
    const long double mse = a.within / 7;
    const std::size_t index[] = {2, 1, 0};  // position -> group of `groups`
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = i + 1; j < 3; ++j) {
            const Moments &gi = a.groups[index[i]], &gj = a.groups[index[j]];
            const double d = comparisons["rows"][order[i]][j];
            // Tukey-Kramer: D / sqrt(MSE/2 (1/ni + 1/nj)) is q(0.05; 3, 7) = 4.165 (published tables).
            EXPECT_NEAR(d / std::sqrt(static_cast<double>(mse / 2 * (1 / gi.n + 1 / gj.n))), 4.165, 2e-3);
            EXPECT_EQ(comparisons["rows"][order[j]][i], std::fabs(static_cast<double>(gi.mean - gj.mean)) >= d ? 1 : 0);
        }
    const Json& subsets = json["tables"]["subsets"];
    EXPECT_EQ(subsets["columns"], Json({"subset 1", "subset 2", "subset 3"}));  // every pair differs
    EXPECT_EQ(subsets["rows"]["north"], Json({0, 1, 0}));
}

TEST_F(Sheetstat, RegressionPredictsTheMarkedRowAndChartsItsBands)
{
    File("data.csv", "weight,height,age\n61,165,30\n?,172,41\n70,174,25\n77,181,35\n,178,50\n66,169,44\n82,186,28\n"
                     "73,177,33\n");
    const std::vector<double> x = {165, 174, 181, 169, 186, 177}, y = {61, 70, 77, 66, 82, 73};
    const Moments mx = Reference(x), my = Reference(y);
    long double sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) sxy += (x[i] - mx.mean) * (y[i] - my.mean);
    const long double b = sxy / ((mx.n - 1) * mx.variance), a = my.mean - b * mx.mean;
    const long double r2 = sxy * sxy / ((mx.n - 1) * mx.variance * (my.n - 1) * my.variance);
    const Json json = RunJson({"regression", "--format", "json", "--svg", "fit.svg", "data.csv", "weight", "height"});
    const Json& linear = json["tables"]["models"]["rows"]["linear"];
    EXPECT_EQ(json["tables"]["models"]["rows"].size(), 1u);  // the straight line only, by default
    EXPECT_EQ(linear[0], 6);
    ExpectClose(linear[1], a);
    ExpectClose(linear[2], b);
    ExpectClose(linear[4], r2);
    const Json& predictions = json["tables"]["predictions"]["rows"];
    ASSERT_EQ(predictions.size(), 1u);
    ExpectClose(predictions["line 3"][0], a + b * 172);
    EXPECT_EQ(SeriesCount((dir_ / "fit.svg").string()), 4u);  // data, line, prediction and confidence bands

    const Json all = RunJson({"regression", "--format", "json", "--model", "best", "data.csv", "weight", "height"});
    EXPECT_EQ(all["tables"]["models"]["rows"].size(), 7u);
}

TEST_F(Sheetstat, PearsonMatrixOverPairwiseCasesWithCronbachsAlpha)
{
    File("data.csv", "height,weight,age\n165,61,30\n172,,41\n174,70,25\n181,77,35\n178,75,50\n169,66,44\n");
    const std::vector<std::vector<double>> columns = {{165, 172, 174, 181, 178, 169}, {61, kMissingCell, 70, 77, 75, 66},
                                                      {30, 41, 25, 35, 50, 44}};
    const Json json = RunJson({"pearson", "--format", "json", "data.csv", "height", "weight", "age"});
    const Json& r = json["tables"]["correlations"]["rows"];
    const std::string names[] = {"height", "weight", "age"};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) {
            std::vector<double> u, v;
            for (std::size_t k = 0; k < 6; ++k)
                if (!std::isnan(columns[i][k]) && !std::isnan(columns[j][k])) {
                    u.push_back(columns[i][k]);
                    v.push_back(columns[j][k]);
                }
            const Moments mu = Reference(u), mv = Reference(v);
            long double suv = 0;
            for (std::size_t k = 0; k < u.size(); ++k) suv += (u[k] - mu.mean) * (v[k] - mv.mean);
            EXPECT_EQ(json["tables"]["counts"]["rows"][names[i]][j], u.size());
            ExpectClose(r[names[i]][j], suv / ((mu.n - 1) * std::sqrt(mu.variance * mv.variance)));
        }
    // Alpha: item variances over each item's values, the total's over the complete rows.
    long double items = 0;
    std::vector<double> totals;
    for (const auto& c : columns) {
        std::vector<double> present;
        for (const double x : c)
            if (!std::isnan(x)) present.push_back(x);
        items += Reference(present).variance;
    }
    for (std::size_t k = 0; k < 6; ++k)
        if (k != 1) totals.push_back(columns[0][k] + columns[1][k] + columns[2][k]);
    const long double w = Reference(totals).variance;
    ExpectClose(json["tables"]["scale"]["rows"]["Cronbach's alpha"][0], 1.5L * (w - items) / w);
}

TEST_F(Sheetstat, FactorAnalysisOfTwoVariablesIsTheirCorrelation)
{
    // Two variables: the eigenvalues of their correlation matrix are 1 + r and 1 - r, and the
    // one principal component kept loads sqrt((1 + r) / 2) on each.
    File("f.csv", "u,v\n1,2\n2,1\n3,4\n4,3\n5,6\n,7\n7,5\n");
    const std::vector<double> u = {1, 2, 3, 4, 5, 7}, v = {2, 1, 4, 3, 6, 5};
    const Moments mu = Reference(u), mv = Reference(v);
    long double suv = 0;
    for (std::size_t k = 0; k < u.size(); ++k) suv += (u[k] - mu.mean) * (v[k] - mv.mean);
    const long double r = suv / ((mu.n - 1) * std::sqrt(mu.variance * mv.variance));
    const Json json = RunJson({"factor", "--format", "json", "f.csv", "u", "v"});
    const Json& eigen = json["tables"]["eigenvalues"]["rows"];
    EXPECT_NEAR(eigen["1"][0], static_cast<double>(1 + r), 1e-12);
    EXPECT_NEAR(eigen["2"][0], static_cast<double>(1 - r), 1e-12);
    const Json& loadings = json["tables"]["loadings"];
    EXPECT_EQ(loadings["columns"], Json({"factor 1", "communality"}));
    EXPECT_NEAR(std::fabs(static_cast<double>(loadings["rows"]["u"][0])), std::sqrt(static_cast<double>((1 + r) / 2)),
                1e-12);
    EXPECT_EQ(json["tables"]["summary"]["rows"]["complete rows"][0], 6);
    EXPECT_TRUE(json["tables"]["scores"]["rows"]["line 7"][0].is_null());  // the row with an empty cell
}

TEST_F(Sheetstat, ErrorsAreWordsWithTheirExitCodeAndNoResults)
{
    File("d.csv", "g,x,y\nA,1,2\nA,2,?\nB,3,abc\n");
    File("q.csv", "g,x\nA,\"1\nB,2\n");
    File("s.csv", "t,e,g\n1,0,A\n2,0,A\n3,0,B\n4,0,B\n");
    const struct {
        std::vector<std::string> args;
        int exit;
        std::string message;
    } cases[] = {
        {{"ttest", "d.csv", "x", "--by", "g"}, 1, "sheetstat: ttest: group 'B' has 1 value"},
        {{"ttest", "d.csv", "nope", "--by", "g"}, 2, "no column 'nope' (the columns are: g, x, y"},
        {{"descriptives", "d.csv", "y"}, 2, "d.csv: line 3, column 'y': '?' is not a number"},
        {{"descriptives", "d.csv", "x", "y"}, 2, "d.csv: line 3, column 'y': '?' is not a number"},
        {{"descriptives", "absent.csv", "x"}, 2, "cannot read absent.csv"},
        {{"descriptives", "q.csv", "x"}, 2, "q.csv: line 2: a quoted field is never closed"},
        {{"ttest", "d.csv", "x", "--by", "x"}, 2, "ttest compares 2 groups, but 'x' has 3: 1, 2, 3"},
        {{"ttest", "d.csv", "x"}, 2, "use 'ttest FILE VALUE --by GROUP' or 'ttest FILE FIRST SECOND'"},
        {{"chisq-normal", "--classes", "4", "d.csv", "x"}, 2, "--classes must be a whole number from 5"},
        {{"frequencies", "--svg", "no/such/dir.svg", "d.csv", "x"}, 2, "cannot write the chart to no/such/dir.svg"},
        {{"descriptives", "d.csv"}, 2, "COLUMN is required"},
        {{"anova-of-everything", "d.csv", "x"}, 2, "unknown analysis 'anova-of-everything'"},
        {{"tquantile", "0", "3"}, 2, "P must be a probability"},
        {{"capability", "d.csv", "x"}, 2, "--lsl is required"},
        {{"qc-chart", "--chart", "xbar", "d.csv", "x"}, 2, "--chart must be one of mean, range, sd, p, np, c, u"},
        {{"qc-chart", "--chart", "range", "d.csv", "x"}, 1, "the range and sd charts need --size from 2 to 25"},
        {{"cluster", "--clusters", "4", "d.csv", "x"}, 1, "--clusters must lie between 1 and the number of objects"},
        {{"survival", "s.csv", "t", "e", "--by", "g"}, 1, "the log-rank test cannot be formed"},
        {{"cumulative", "--svg", "c.svg", "d.csv", "x", "y"}, 2, "use 'cumulative FILE COLUMN'"},
        {{"anova", "d.csv", "x", "--by", "g", "--by", "y", "--posthoc", "tukey"}, 2,
         "anova: --posthoc is not available in the form 'VALUE --by A --by B'"},
        {{"anova", "d.csv", "x", "--by", "x"}, 1, "anova: every group (cell) needs values"},
        {{"posthoc", "d.csv", "x", "x"}, 2, "--error-ss is required"},
    };
    for (const auto& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args[0] << " " << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
    }
}

}  // namespace
}  // namespace sheetstat::host

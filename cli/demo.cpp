#include "demo.hpp"

#include <cstdio>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <string_view>
#include <vector>

#include "command_line.hpp"
#include "errors.hpp"

namespace sheetstat::host {
namespace {

struct DataSet {
    std::string_view file;
    std::string_view csv;
};

// Heights (cm) and weights (kg) of sixteen adults in two groups; one weight is missing.
constexpr DataSet kPeople = {"people.csv",
                             "group,height,weight,age\n"
                             "control,172.5,70.1,34\ncontrol,168.0,65.3,29\ncontrol,181.2,82.0,45\n"
                             "control,175.4,,38\ncontrol,169.9,66.8,51\ncontrol,177.1,74.5,27\n"
                             "control,173.3,71.2,40\ncontrol,166.4,61.9,33\n"
                             "treated,178.9,79.4,36\ntreated,183.0,85.1,42\ntreated,176.2,72.8,30\n"
                             "treated,180.5,80.3,47\ntreated,174.8,73.9,25\ntreated,185.1,88.6,39\n"
                             "treated,179.6,77.0,44\ntreated,182.3,83.7,31\n"};

// Dried weight of plants (g) grown under a control and two treatments (Dobson, An
// Introduction to Statistical Modelling, 1983).
constexpr DataSet kPlants = {"plants.csv",
                             "treatment,weight\n"
                             "control,4.17\ncontrol,5.58\ncontrol,5.18\ncontrol,6.11\ncontrol,4.50\ncontrol,4.61\n"
                             "control,5.17\ncontrol,4.53\ncontrol,5.33\ncontrol,5.14\n"
                             "treatment 1,4.81\ntreatment 1,4.17\ntreatment 1,4.41\ntreatment 1,3.59\n"
                             "treatment 1,5.87\ntreatment 1,3.83\ntreatment 1,6.03\ntreatment 1,4.89\n"
                             "treatment 1,4.32\ntreatment 1,4.69\n"
                             "treatment 2,6.31\ntreatment 2,5.12\ntreatment 2,5.54\ntreatment 2,5.50\n"
                             "treatment 2,5.37\ntreatment 2,5.29\ntreatment 2,4.92\ntreatment 2,6.15\n"
                             "treatment 2,5.80\ntreatment 2,5.26\n"};

// Weights (kg) and heights (cm) of ten adults; the ? asks for the weight expected at 178 cm.
constexpr DataSet kWeights = {"weights.csv",
                              "weight,height\n70.1,172.5\n65.3,168.0\n82.0,181.2\n66.8,169.9\n74.5,177.1\n"
                              "61.9,166.4\n79.4,178.9\n85.1,183.0\n72.8,176.2\n88.6,185.1\n?,178.0\n"};

// Heads in 8 tosses of a coin, for 40 people.
constexpr DataSet kCoins = {"coins.csv",
                            "person,heads\n1,4\n2,3\n3,5\n4,4\n5,6\n6,2\n7,4\n8,5\n9,3\n10,4\n11,7\n12,4\n13,5\n"
                            "14,3\n15,4\n16,1\n17,5\n18,4\n19,6\n20,3\n21,4\n22,5\n23,2\n24,4\n25,3\n26,5\n27,4\n"
                            "28,6\n29,4\n30,3\n31,5\n32,4\n33,2\n34,5\n35,4\n36,3\n37,6\n38,4\n39,5\n40,4\n"};

// Ten wines by alcohol (% vol), total acidity (g/l) and residual sugar (g/l).
constexpr DataSet kWines = {"wines.csv",
                            "wine,alcohol,acidity,sugar\n"
                            "Riesling Kabinett,8.5,8.1,38\nRiesling Spaetlese,9.0,7.6,52\nMoscato,7.0,6.2,95\n"
                            "Chablis,12.5,6.4,2\nSancerre,13.0,6.8,1.5\nMuscadet,12.0,6.6,1\n"
                            "Barolo,14.5,5.8,1.8\nZinfandel,15.0,5.5,3.5\nAmarone,15.5,5.9,6\n"
                            "Port,20.0,4.8,100\n"};

// Remission times (weeks) of 42 leukaemia patients, 21 on 6-mercaptopurine and 21 on
// placebo; event 1 is a relapse, 0 a patient still in remission when last seen
// (Freireich et al., Blood 1963).
constexpr DataSet kRemission = {
    "remission.csv",
    "weeks,relapse,treatment\n"
    "6,1,6-MP\n6,1,6-MP\n6,1,6-MP\n6,0,6-MP\n7,1,6-MP\n9,0,6-MP\n10,1,6-MP\n10,0,6-MP\n11,0,6-MP\n"
    "13,1,6-MP\n16,1,6-MP\n17,0,6-MP\n19,0,6-MP\n20,0,6-MP\n22,1,6-MP\n23,1,6-MP\n25,0,6-MP\n32,0,6-MP\n"
    "32,0,6-MP\n34,0,6-MP\n35,0,6-MP\n"
    "1,1,placebo\n1,1,placebo\n2,1,placebo\n2,1,placebo\n3,1,placebo\n4,1,placebo\n4,1,placebo\n"
    "5,1,placebo\n5,1,placebo\n8,1,placebo\n8,1,placebo\n8,1,placebo\n8,1,placebo\n11,1,placebo\n"
    "11,1,placebo\n12,1,placebo\n12,1,placebo\n15,1,placebo\n17,1,placebo\n22,1,placebo\n23,1,placebo\n"};

// One step of the tour: a title, the data set, the command line after `sheetstat`
// ({data} is the data set's path, {folder} the demo folder).
struct DemoStep {
    std::string_view title;
    const DataSet* data;
    std::vector<std::string_view> command;
};

const std::vector<DemoStep>& Steps()
{
    static const std::vector<DemoStep> steps = {
        {"Descriptive statistics of height and weight", &kPeople, {"descriptives", "{data}", "height", "weight"}},
        {"Two-sample t-test: height of the control and treated groups", &kPeople,
         {"ttest", "{data}", "height", "--by", "group"}},
        {"One-way analysis of variance of plant weights under three treatments, with Tukey's honestly significant "
         "difference and the homogeneous subsets",
         &kPlants,
         {"anova", "--posthoc", "tukey", "{data}", "weight", "--by", "treatment"}},
        {"Simple regression of weight on height with its 95% bands, and a prediction for the row marked ?",
         &kWeights,
         {"regression", "--svg", "{folder}/regression.svg", "{data}", "weight", "height"}},
        {"Frequencies of heads in 8 coin tosses, with the fitted normal curve", &kCoins,
         {"frequencies", "--svg", "{folder}/heads.svg", "{data}", "heads"}},
        {"Cluster analysis of ten wines (Ward's method), cut into three clusters; the dendrogram names each wine "
         "by its line in wines.csv",
         &kWines,
         {"cluster", "--linkage", "ward", "--clusters", "3", "--svg", "{folder}/dendrogram.svg", "{data}", "alcohol",
          "acidity", "sugar"}},
        {"Kaplan-Meier estimates of remission on 6-MP and placebo, with the log-rank test", &kRemission,
         {"survival", "--svg", "{folder}/survival.svg", "{data}", "weeks", "relapse", "--by", "treatment"}},
    };
    return steps;
}

std::string Expand(std::string_view word, const std::string& data, const std::string& folder)
{
    std::string text(word);
    for (const auto& [key, value] : {std::pair<std::string_view, const std::string&>{"{data}", data},
                                     std::pair<std::string_view, const std::string&>{"{folder}", folder}})
        if (const std::size_t at = text.find(key); at != std::string::npos) text.replace(at, key.size(), value);
    return text;
}

}  // namespace

int RunDemo(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw UsageError(fmt::format("demo: cannot create the folder {}: {}", folder, error.message()));
    for (const DemoStep& step : Steps()) {
        const std::string path = folder + "/" + std::string(step.data->file);
        std::ofstream(path, std::ios::binary) << step.data->csv;
        std::vector<std::string> args = {"sheetstat"};
        for (const std::string_view word : step.command) args.push_back(Expand(word, path, folder));
        std::string shown;
        for (std::size_t k = 1; k < args.size(); ++k) shown += " " + args[k];
        std::printf("== %.*s\n$ sheetstat%s\n", static_cast<int>(step.title.size()), step.title.data(), shown.c_str());
        std::fflush(stdout);
        if (const int code = RunCommandLine(args); code != 0) return code;
        std::printf("\n");
    }
    std::printf("The data sets and charts are in %s/. Open the .svg files in a browser.\n", folder.c_str());
    return 0;
}

}  // namespace sheetstat::host

#include "command_line.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fmt/format.h>
#include <map>
#include <memory>
#include <new>

#include "chart.hpp"
#include "csv_reader.hpp"
#include "data_table.hpp"
#include "demo.hpp"
#include "engine.hpp"
#include "errors.hpp"
#include "progress.hpp"
#include "registry.hpp"
#include "registry_json.hpp"
#include "writers.hpp"

namespace sheetstat::host {
namespace {

constexpr const char* kVersion = "0.1.0";

// What one analysis subcommand collects from the command line.
struct AnalysisCommand {
    const AnalysisSpec* analysis = nullptr;
    CLI::App* app = nullptr;
    std::string file;
    std::vector<std::string> columns, by;
    std::string format = "table";
    std::string separator = ",";
    std::string svg;
    bool quiet = false;
    std::map<std::string, std::string> optionTexts;
    std::map<std::string, bool> switches;
};

Format ParseFormat(const std::string& text)
{
    if (text == "csv") return Format::Csv;
    if (text == "json") return Format::Json;
    return Format::Table;
}

char ParseSeparator(const std::string& text)
{
    if (text == "\\t" || text == "tab") return '\t';
    if (text.size() != 1 || text == "\"" || text == "\n" || text == "\r")
        throw UsageError(fmt::format("--sep takes one character, such as ';' or tab (not '{}')", text));
    return text[0];
}

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::string Footer(const AnalysisSpec& analysis)
{
    std::string text = fmt::format("{}\n\nForms:\n", analysis.help);
    for (const FormSpec& form : analysis.forms)
        text += fmt::format("  sheetstat {} [OPTIONS] FILE {}\n      {}\n", analysis.name, form.usage, form.help);
    text += "\nColumns are header names or 1-based numbers. An empty cell is a missing value.";
    if (analysis.forms.front().byColumns > 0 || analysis.forms.size() > 1)
        text += " Groups (--by) are the distinct values of a column, numbers or labels, in ascending order.";
    return text;
}

void AddAnalysis(CLI::App& app, const AnalysisSpec& analysis, AnalysisCommand& command)
{
    CLI::App* sub = app.add_subcommand(std::string(analysis.name), std::string(analysis.summary));
    command.analysis = &analysis;
    command.app = sub;
    sub->footer(Footer(analysis));
    sub->add_option("--format", command.format, "table (default), csv or json")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"table", "csv", "json"}));
    sub->add_option("--sep", command.separator, "field separator of the file: , (default), ; or tab")
        ->type_name("CHAR");
    bool grouping = false;
    for (const FormSpec& form : analysis.forms) grouping = grouping || form.byColumns > 0;
    if (grouping)
        sub->add_option("--by", command.by, "group by the values of this column")
            ->type_name("COLUMN")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    if (analysis.chart != nullptr)
        sub->add_option("--svg", command.svg, "write the chart to this SVG file")->type_name("FILE");
    sub->add_flag("-q,--quiet", command.quiet, "no progress on stderr");
    for (const OptionSpec& option : analysis.options) {
        std::string help(option.help);
        if (!std::isnan(option.defaultValue) && !option.isSwitch) {
            std::string shown = option.choices.empty() ? fmt::format("{}", option.defaultValue) : "";
            for (const Choice& c : option.choices)
                if (c.value == option.defaultValue) shown = c.name;
            if (!shown.empty()) help += fmt::format(" (default {})", shown);  // a choice of none has no name
        }
        if (option.isSwitch) {
            sub->add_flag("--" + std::string(option.flag), command.switches[std::string(option.flag)], help);
        } else {
            CLI::Option* added =
                sub->add_option("--" + std::string(option.flag), command.optionTexts[std::string(option.flag)], help)
                    ->type_name(option.choices.empty() ? "NUMBER" : "NAME");
            if (option.required) added->required();
        }
    }
    sub->add_option("FILE", command.file, "CSV file; its first line names the columns")->required()->type_name("");
    sub->add_option("COLUMN", command.columns, "the columns to analyse, by name or number")
        ->required()
        ->type_name("");
}

int RunAnalysisCommand(const AnalysisCommand& command)
{
    Request request;
    request.analysis = command.analysis;
    request.columns = command.columns;
    request.by = command.by;
    for (const auto& [flag, text] : command.optionTexts)
        if (command.app->count("--" + flag) > 0) request.options[flag] = text;
    for (const auto& [flag, on] : command.switches)
        if (on) request.options[flag] = "1";
    request.chart = !command.svg.empty();

    Progress progress(command.quiet);
    const CsvTable table = CsvTable::Read(command.file, ParseSeparator(command.separator), &Progress::OnRead, &progress);
    progress.Computing(std::string(command.analysis->name));
    const Outcome outcome = RunAnalysis(request, table);
    if (outcome.chart) WriteSvg(*outcome.chart, command.svg);
    progress.Done();
    Print(Write(outcome.report, ParseFormat(command.format)));
    return 0;
}

int RunTQuantile(double p, double df, const std::string& format)
{
    if (!(p > 0 && p <= 1)) throw UsageError(fmt::format("tquantile: P must be a probability in (0, 1], not {}", p));
    if (!(df > 0)) throw UsageError(fmt::format("tquantile: DF must be positive, not {}", df));
    const double t = nkTofP(p, df);
    if (t >= 10) std::fprintf(stderr, "sheetstat: tquantile: the critical value is 10 or more (10 is the largest reported)\n");
    if (format == "json")
        Print(fmt::format("{{\"p\": {}, \"df\": {}, \"t\": {}}}\n", ShortestNumber(p), ShortestNumber(df),
                          ShortestNumber(t)));
    else if (format == "csv")
        Print(fmt::format("p,df,t\n{},{},{}\n", ShortestNumber(p), ShortestNumber(df), ShortestNumber(t)));
    else  // nkTofP answers from above to within 1e-4: the middle of that bracket is the best 4-decimal value
        Print(fmt::format("{:.4f}\n", t < 10 ? t - 0.5e-4 : t));
    return 0;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args)
{
    CLI::App app{"sheetstat: statistics on CSV files (descriptives to survival), tables, JSON/CSV output and SVG "
                 "charts.\nRun 'sheetstat demo' for a tour, 'sheetstat ANALYSIS --help' for an analysis."};
    app.name("sheetstat");
    app.set_version_flag("--version", fmt::format("sheetstat {}", kVersion));
    app.require_subcommand(1);

    const auto analyses = Analyses();
    std::vector<std::unique_ptr<AnalysisCommand>> commands;
    for (const AnalysisSpec& analysis : analyses) {
        commands.push_back(std::make_unique<AnalysisCommand>());
        AddAnalysis(app, analysis, *commands.back());
    }

    double p = 0, df = 0;
    std::string tFormat = "table";
    CLI::App* tquantile = app.add_subcommand("tquantile", "two-tailed critical value of Student's t for P and DF");
    tquantile->add_option("P", p, "two-tailed probability, e.g. 0.05")->required();
    tquantile->add_option("DF", df, "degrees of freedom (fractions allowed)")->required();
    tquantile->add_option("--format", tFormat, "table (4 decimals, default), csv or json")
        ->check(CLI::IsMember({"table", "csv", "json"}));

    std::string demoFolder = "sheetstat-demo";
    CLI::App* demo = app.add_subcommand("demo", "a short tour on built-in data sets, charts written to a folder");
    demo->add_option("folder", demoFolder, "where the data sets and charts go (default sheetstat-demo)");

    CLI::App* registry =
        app.add_subcommand("registry", "the analyses' descriptions as JSON (for other hosts of the library)");

    try {
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const auto subcommands = app.get_subcommands([](CLI::App*) { return true; });
        if (args.size() > 1 && !args[1].starts_with("-") &&
            std::none_of(subcommands.begin(), subcommands.end(),
                         [&](const CLI::App* sub) { return sub->get_name() == args[1]; })) {
            std::fprintf(stderr, "sheetstat: unknown analysis '%s'\nsee 'sheetstat --help' for the list\n",
                         args[1].c_str());
            return kExitUsage;
        }
        std::string hint = "sheetstat --help";
        for (const auto& c : commands)
            if (c->app->parsed()) hint = fmt::format("sheetstat {} --help", c->analysis->name);
        std::fprintf(stderr, "sheetstat: %s\nsee '%s'\n", e.what(), hint.c_str());
        return kExitUsage;
    }

    try {
        if (tquantile->parsed()) return RunTQuantile(p, df, tFormat);
        if (demo->parsed()) return RunDemo(demoFolder);
        if (registry->parsed()) {
            Print(RegistryJson());
            return 0;
        }
        for (const auto& c : commands)
            if (c->app->parsed()) return RunAnalysisCommand(*c);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "sheetstat: %s\n", e.what());
        return kExitUsage;
    } catch (const AnalysisError& e) {
        std::fprintf(stderr, "sheetstat: %s\n", e.what());
        return kExitAnalysisFailed;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "sheetstat: not enough memory\n");
        return kExitAnalysisFailed;
    }
    return kExitUsage;
}

}  // namespace sheetstat::host

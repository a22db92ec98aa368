#include "registry_json.hpp"

#include <cmath>
#include <nlohmann/json.hpp>

#include "registry.hpp"

namespace sheetstat::host {
namespace {

using Json = nlohmann::ordered_json;

const char* Name(Quantity q)
{
    constexpr const char* names[] = {"fixed",   "cases",      "columns",       "groups",      "groups2",
                                     "classes", "rowClasses", "columnClasses", "predictions", "option"};
    return names[static_cast<int>(q)];
}
const char* Name(Fill f)
{
    constexpr const char* names[] = {"options",     "numbers",      "vector",
                                     "rows",        "codes",        "groupCodes",
                                     "groupCodeColumns", "numbersWithGroupCodes", "groupColumns",
                                     "lineNumbers", "result",       "unused",
                                     "earlier",     "identifiers"};
    return names[static_cast<int>(f)];
}
const char* Name(LabelSource s)
{
    constexpr const char* names[] = {"fixed",   "columns",    "groups",        "groups2", "classes",
                                     "rowClasses", "columnClasses", "lines", "calls", "index", "powers",
                                     "groupRuns"};
    return names[static_cast<int>(s)];
}
const char* Name(CodeKind k)
{
    constexpr const char* names[] = {"none", "categories", "sharedCategories", "classes"};
    return names[static_cast<int>(k)];
}
const char* Name(SeriesKind k)
{
    constexpr const char* names[] = {"bars", "line", "points", "steps", "segments", "linePoints"};
    return names[static_cast<int>(k)];
}

// An extent as {"of": quantity, "scale": s, "offset": o}: count = s * quantity + o (and
// "slot" for the value of an options slot).
Json ToJson(Extent e)
{
    Json out{{"of", Name(e.of)}, {"scale", e.scale}, {"offset", e.offset}};
    if (e.of == Quantity::Option) out["slot"] = e.slot;
    return out;
}

Json ToJson(const Labels& labels)
{
    Json names = Json::array();
    for (const auto n : labels.names) names.push_back(n);
    Json out{{"source", Name(labels.source)}, {"names", names}};
    if (!labels.positions.empty())
        out["positions"] = Json(std::vector<int>(labels.positions.begin(), labels.positions.end()));
    if (labels.codeColumn > 0) {
        out["codeColumn"] = labels.codeColumn;
        out["codeBase"] = labels.codeBase;
    }
    if (labels.from > 0) out["from"] = labels.from;
    if (labels.namesFirst) out["namesFirst"] = true;
    if (labels.source == LabelSource::GroupRuns) out["runs"] = labels.runs;
    return out;
}

Json Number(double x) { return std::isfinite(x) ? Json(x) : Json(nullptr); }

Json ToJson(std::span<const ArgumentSpec> list)
{
    Json arguments = Json::array();
    for (const ArgumentSpec& a : list) {
        const bool twoDimensional = !(a.cols.of == Quantity::Fixed && a.cols.offset == 0);
        Json arg{{"name", a.name}, {"fill", Name(a.fill)}, {"rows", ToJson(a.rows)}};
        if (twoDimensional) arg["columns"] = ToJson(a.cols);
        if (a.from != 0) arg["from"] = a.from;
        if (a.row != 0) arg["row"] = a.row;
        if (a.take.slot > 0)
            arg["take"] = Json{{"slot", a.take.slot}, {"argument", a.take.argument}, {"position", a.take.position}};
        arguments.push_back(arg);
    }
    return arguments;
}

Json ToJson(std::span<const TableSpec> list)
{
    constexpr const char* trims[] = {"none", "emptyRows", "endMarker", "unfilledRows"};
    Json tables = Json::array();
    for (const TableSpec& t : list) {
        Json table{{"name", t.name}, {"title", t.title}, {"argument", t.argument}, {"rows", ToJson(t.rows)},
                   {"columns", ToJson(t.columns)}, {"transposed", t.transposed},
                   {"trim", trims[static_cast<int>(t.trim)]}};
        if (!t.joined.empty()) table["joined"] = Json(std::vector<int>(t.joined.begin(), t.joined.end()));
        if (!t.slots.empty()) table["slots"] = Json(std::vector<int>(t.slots.begin(), t.slots.end()));
        if (t.layout != nullptr) table["custom"] = true;
        tables.push_back(table);
    }
    return tables;
}

Json ToJson(const FollowUpSpec& f)
{
    Json statuses = Json::array();
    for (const StatusText& st : f.statuses) statuses.push_back(Json{{"code", st.code}, {"text", st.text}});
    return Json{{"export", f.exportName},         {"arguments", f.arity},     {"when", f.when},
                {"argumentSpecs", ToJson(f.arguments)}, {"tables", ToJson(f.tables)}, {"statuses", statuses}};
}

Json ToJson(const FormSpec& form)
{
    Json arguments = ToJson(form.arguments), tables = ToJson(form.tables), presets = Json::array();
    for (const Preset& p : form.presets) {
        Json preset{{"slot", p.slot}, {"value", p.value}};
        if (!(p.derived.of == Quantity::Fixed && p.derived.offset == 0)) preset["derived"] = ToJson(p.derived);
        presets.push_back(preset);
    }
    return Json{{"usage", form.usage},           {"help", form.help},
                {"byColumns", form.byColumns},   {"minColumns", form.minColumns},
                {"maxColumns", form.maxColumns}, {"minGroups", form.minGroups},
                {"maxGroups", form.maxGroups},   {"repeat", form.repeat == Repeat::Once ? "once" : "eachColumn"},
                {"codes", Name(form.codes)},     {"predictions", form.predictions},
                {"completeRows", form.completeRows},
                {"minClasses", form.minClasses}, {"maxClasses", form.maxClasses},
                {"presets", presets},            {"arguments", arguments},
                {"tables", tables},              {"followUp", form.followUp ? ToJson(*form.followUp) : Json()}};
}

}  // namespace

std::string RegistryJson()
{
    Json analyses = Json::array();
    for (const AnalysisSpec& a : Analyses()) {
        Json options = Json::array(), forms = Json::array(), statuses = Json::array();
        for (const OptionSpec& o : a.options) {
            Json choices = Json::array();
            for (const Choice& c : o.choices) choices.push_back(Json{{"name", c.name}, {"value", c.value}});
            options.push_back(Json{{"flag", o.flag},
                                   {"help", o.help},
                                   {"slot", o.slot},
                                   {"default", Number(o.defaultValue)},
                                   {"min", Number(o.min)},
                                   {"max", Number(o.max)},
                                   {"integer", o.integer},
                                   {"switch", o.isSwitch},
                                   {"required", o.required},
                                   {"selectsSlot", o.selectsSlot},
                                   {"choices", choices},
                                   {"derived", ToJson(o.derived)}});
        }
        for (const FormSpec& f : a.forms) forms.push_back(ToJson(f));
        for (const int code : {1, 2, 3, 7, 8, 12, 14, 15, 18})
            statuses.push_back(Json{{"code", code}, {"text", StatusMessage(a, code)}});
        Json entry{{"name", a.name}, {"export", a.exportName}, {"summary", a.summary}, {"help", a.help},
                   {"arguments", a.arity}, {"options", options}, {"forms", forms}, {"statuses", statuses}};
        if (a.chart != nullptr) {
            Json series = Json::array();
            for (const SeriesSpec& s : a.chart->series)
                series.push_back(Json{{"kind", Name(s.kind)}, {"label", s.label}, {"argument", s.argument},
                                      {"column", s.column}, {"rows", ToJson(s.rows)}, {"x0", s.x0}, {"dx", s.dx},
                                      {"xColumn", s.xColumn}});
            entry["chart"] = Json{{"title", a.chart->title},
                                  {"xLabel", a.chart->xLabel},
                                  {"yLabel", a.chart->yLabel},
                                  {"xAxis", a.chart->xAxis == AxisKind::Classes ? "classes" : "numbers"},
                                  {"series", series},
                                  {"custom", a.chart->custom != nullptr}};
        }
        if (const FollowUpSpec* f = a.followUp) entry["followUp"] = ToJson(*f);
        analyses.push_back(entry);
    }
    return Json{{"analyses", analyses}}.dump(2) + "\n";
}

}  // namespace sheetstat::host

#include "tools/moxlan-cfg/cli.h"

#include "simulator/core/device_tag.h"
#include "simulator/core/variable_form.h"
#include "tools/moxlan-cfg/commands.h"

#include <CLI/CLI.hpp>

namespace moxlan::cfg {

namespace {

constexpr const char* kTypeChoices =
    "constant, random, incremental, sine, square, triangle or sawtooth";

// The texts of the field options, converted once CLI11 has collected them.
struct FieldTexts
{
    std::string value, type, interval, low, high, step;
    std::array<std::string, kAlarmLevels> limits, severities;

    void addTo(CLI::App& command)
    {
        command.add_option("--value", value, "current value")->type_name("NUMBER");
        command.add_option("--type", type, kTypeChoices)->type_name("TYPE");
        command.add_option("--interval", interval, "seconds between two steps; 0 never steps")
            ->type_name("SECONDS");
        command.add_option("--low", low, "low end of the range")->type_name("NUMBER");
        command.add_option("--high", high, "high end of the range")->type_name("NUMBER");
        command
            .add_option("--step", step,
                        "step of an incremental variable; period in seconds of a wave, 2 or more")
            ->type_name("NUMBER");
        for (int level = 0; level < kAlarmLevels; ++level) {
            const std::string name(alarmLevelName(level));
            command
                .add_option("--" + name, limits[static_cast<size_t>(level)],
                            "turns the " + name + " alarm on at this limit, or off")
                ->type_name("LIMIT|off");
            command
                .add_option("--" + name + "-severity", severities[static_cast<size_t>(level)],
                            "severity of the " + name + " alarm, 1 to 1000 (500 unless given)")
                ->type_name("N");
        }
    }

    // The edits, or nothing with a message for the first text that is not a value.
    std::optional<VariableEdits> edits(const CLI::App& command, std::ostream& err) const
    {
        VariableEdits edits;
        bool valid = true;
        const auto take = [&](const char* option, const std::string& text, auto parse,
                              const char* expected, auto& field) {
            if (!valid || command.count(option) == 0) return;
            field = parse(text);
            if (!field) {
                err << "moxlan-cfg: " << option << " (" << text << ") is not " << expected << '\n';
                valid = false;
            }
        };
        // Numbers read as the variable dialog reads its fields.
        constexpr const char* kNumber = "a finite number";
        take("--value", value, parseFloatField, kNumber, edits.value);
        take("--type", type, parseSimulationType, kTypeChoices, edits.type);
        take("--interval", interval, parseInterval, "a whole number of seconds, 0 or more",
             edits.interval);
        take("--low", low, parseFloatField, kNumber, edits.low);
        take("--high", high, parseFloatField, kNumber, edits.high);
        take("--step", step, parseFloatField, kNumber, edits.step);
        for (size_t level = 0; level < kAlarmLevels; ++level) {
            const std::string option = "--" + std::string(alarmLevelName(static_cast<int>(level)));
            edits.limitsOff[level] = limits[level] == "off";
            if (!edits.limitsOff[level])
                take(option.c_str(), limits[level], parseFloatField, "a finite number or off",
                     edits.limits[level]);
            take((option + "-severity").c_str(), severities[level], parseSeverity,
                 "a severity from 1 to 1000", edits.severities[level]);
        }
        if (!valid) return std::nullopt;
        return edits;
    }
};

} // namespace

int runMoxlanCfg(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    CLI::App app{"Edits Moxlan configuration files (\"Rev. 1.1\")", "moxlan-cfg"};
    app.require_subcommand(1);
    app.footer("Exit code: 0 done; 1 the file does not exist (add creates it), cannot be read "
               "or written, or does not load whole; 2 a wrong command line or a refused edit. "
               "The file changes only on 0.");
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return "moxlan-cfg: " + CLI::FailureMessage::simple(failed, error);
    });

    std::string file;
    std::string name;
    bool json = false;
    FieldTexts fields;

    CLI::App* show = app.add_subcommand("show", "list the variables of FILE");
    show->add_option("FILE", file, "configuration file")->required();
    show->add_flag("--json", json, "print JSON");

    CLI::App* add = app.add_subcommand("add", "add a variable (created constant, interval 1, "
                                              "value, low, high and step 0, unless given)");
    CLI::App* set = app.add_subcommand("set", "change fields of a variable");
    CLI::App* remove = app.add_subcommand("remove", "remove a variable");
    for (CLI::App* command : {add, set, remove}) {
        command->add_option("FILE", file, "configuration file")->required();
        command->add_option("NAME", name, "variable name")->required();
    }
    fields.addTo(*add);
    fields.addTo(*set);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // A call for help ends the parse as an error does, but succeeds.
        return app.exit(error, out, err) == 0 ? kExitDone : kExitRefused;
    }

    if (show->parsed()) return showConfig(file, json, out, err);
    if (remove->parsed()) return removeVariable(file, name, err);
    CLI::App* command = add->parsed() ? add : set;
    const std::optional<VariableEdits> edits = fields.edits(*command, err);
    if (!edits) return kExitRefused;
    return command == add ? addVariable(file, name, *edits, err)
                          : setVariable(file, name, *edits, err);
}

} // namespace moxlan::cfg

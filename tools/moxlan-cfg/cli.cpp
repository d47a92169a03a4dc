#include "tools/moxlan-cfg/cli.h"

#include "tools/moxlan-cfg/commands.h"

#include <CLI/CLI.hpp>

namespace moxlan::cfg {

namespace {

// The texts of the field options, converted once CLI11 has collected them.
struct FieldTexts
{
    std::string value, type, interval, low, high, step;

    void addTo(CLI::App& command)
    {
        command.add_option("--value", value, "current value (32-bit float)");
        command.add_option("--type", type, "constant, random or incremental");
        command.add_option("--interval", interval, "ticks (seconds) between two steps; 0 never");
        command.add_option("--low", low, "low end of the range");
        command.add_option("--high", high, "high end of the range");
        command.add_option("--step", step, "step of an incremental variable");
    }

    // The edits, or nothing with a message for the first text that is not a value.
    std::optional<VariableEdits> edits(const CLI::App& command, std::ostream& err) const
    {
        VariableEdits edits;
        bool valid = true;
        const auto take = [&](const char* option, const std::string& text, auto parse,
                              auto& field) {
            if (!valid || command.count(option) == 0) return;
            field = parse(text);
            if (!field) {
                err << "moxlan-cfg: " << option << ": \"" << text << "\" is not valid\n";
                valid = false;
            }
        };
        take("--value", value, parseFloat, edits.value);
        take("--type", type, parseType, edits.type);
        take("--interval", interval, parseInterval, edits.interval);
        take("--low", low, parseFloat, edits.low);
        take("--high", high, parseFloat, edits.high);
        take("--step", step, parseFloat, edits.step);
        if (!valid) return std::nullopt;
        return edits;
    }
};

} // namespace

int runMoxlanCfg(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    CLI::App app{"Edits Moxlan configuration files (\"Rev. 1.1\")", "moxlan-cfg"};
    app.require_subcommand(1);

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
        return app.exit(error, out, err);
    }

    if (show->parsed()) return showConfig(file, json, out, err);
    if (remove->parsed()) return removeVariable(file, name, err);
    CLI::App* command = add->parsed() ? add : set;
    const std::optional<VariableEdits> edits = fields.edits(*command, err);
    if (!edits) return 1;
    return command == add ? addVariable(file, name, *edits, err)
                          : setVariable(file, name, *edits, err);
}

} // namespace moxlan::cfg

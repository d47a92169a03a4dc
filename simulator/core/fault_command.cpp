#include "simulator/core/fault_command.h"

namespace moxlan {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

FaultCommand invalid(std::string error)
{
    FaultCommand command;
    command.kind = FaultCommand::Kind::Invalid;
    command.error = std::move(error);
    return command;
}

// The command of a verb that takes the rest of the line as a variable's name.
FaultCommand named(FaultCommand::Kind kind, std::string_view verb, std::string_view rest)
{
    if (rest.empty())
        return invalid(std::string(verb) + " needs a variable name: " + std::string(verb) +
                       " NAME");
    FaultCommand command;
    command.kind = kind;
    command.name = rest;
    return command;
}

FaultCommand qualityCommand(std::string_view rest)
{
    constexpr const char* kUsage = "usage: quality NAME good|uncertain|bad";
    size_t last = rest.size();
    while (last > 0 && !isBlank(rest[last - 1])) --last;
    const std::string_view word = rest.substr(last);
    const std::string_view name = trimmed(rest.substr(0, last));
    if (name.empty()) return invalid(kUsage);
    const std::optional<FaultQuality> quality = parseQuality(word);
    if (!quality)
        return invalid("quality " + std::string(word) + " is not good, uncertain or bad; " +
                       kUsage);
    FaultCommand command;
    command.kind = FaultCommand::Kind::Quality;
    command.name = name;
    command.quality = *quality;
    return command;
}

} // namespace

FaultCommand parseFaultCommand(std::string_view line)
{
    line = trimmed(line);
    if (line.empty()) return {};
    size_t verbEnd = 0;
    while (verbEnd < line.size() && !isBlank(line[verbEnd])) ++verbEnd;
    const std::string_view verb = line.substr(0, verbEnd);
    const std::string_view rest = trimmed(line.substr(verbEnd));
    if (verb == "quality") return qualityCommand(rest);
    if (verb == "freeze") return named(FaultCommand::Kind::Freeze, verb, rest);
    if (verb == "resume") return named(FaultCommand::Kind::Resume, verb, rest);
    if (verb == "help" && rest.empty()) {
        FaultCommand command;
        command.kind = FaultCommand::Kind::Help;
        return command;
    }
    return invalid("unknown command: " + std::string(line) + " (help lists the commands)");
}

Fault appliedFault(const FaultCommand& command, Fault fault)
{
    switch (command.kind) {
    case FaultCommand::Kind::Quality:
        fault.quality = command.quality;
        break;
    case FaultCommand::Kind::Freeze:
        fault.frozen = true;
        break;
    case FaultCommand::Kind::Resume:
        fault.frozen = false;
        break;
    default:
        break;
    }
    return fault;
}

} // namespace moxlan

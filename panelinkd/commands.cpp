#include "commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "exit_status.h"
#include "send_subcommands.h"

namespace panelinkd {
namespace {

using nlohmann::json;

// One argument's text as `panelink send` would take it from a command line. A number among
// positional values (bytes, values) is written in hexadecimal with its 0x, which byte lists and
// numbers both read as the number it is; an option's number in decimal.
std::string argument_text(const json &value, const std::string &key, bool positional) {
    if (value.is_string())
        return value.get<std::string>();
    if (positional &&
        (value.is_number_unsigned() || (value.is_number_integer() && value.get<int64_t>() >= 0))) {
        // In hexadecimal with its 0x, so that byte lists and numbers read it alike.
        char text[24];
        std::snprintf(text, sizeof text, "0x%llx",
                      static_cast<unsigned long long>(value.get<uint64_t>()));
        return text;
    }
    if (value.is_number_unsigned())
        return std::to_string(value.get<uint64_t>());
    if (value.is_number_integer())
        return std::to_string(value.get<int64_t>());
    if (value.is_number_float())
        return value.dump();
    throw CommandError(key + ": must be a number, a text or an array of them");
}

std::string key_of_option(const CLI::Option &option) {
    std::string name;
    if (option.get_positional())
        name = option.get_name(true, false);
    else if (!option.get_lnames().empty())
        name = option.get_lnames().front();
    for (char &c : name)
        c = c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string known_keys(CLI::App &command) {
    std::string keys;
    for (const CLI::Option *option : command.get_options()) {
        const std::string key = key_of_option(*option);
        if (key.empty() || key == "help")
            continue;
        keys += (keys.empty() ? "" : ", ") + key;
    }
    return keys.empty() ? "none" : keys;
}

} // namespace

std::vector<std::string> command_names() {
    CLI::App send;
    panelink::cli::SendOptions options;
    panelink::cli::add_output_subcommands(send, options);
    std::vector<std::string> names;
    for (const CLI::App *command : send.get_subcommands({}))
        names.push_back(command->get_name());
    return names;
}

panelink::cli::OutputCommand prepare_command(const std::string &name, std::string_view payload) {
    json arguments = json::object();
    if (!std::all_of(payload.begin(), payload.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)); })) {
        arguments = json::parse(payload.begin(), payload.end(), nullptr, false);
        if (arguments.is_discarded())
            throw CommandError("the payload is not valid JSON");
        if (!arguments.is_object())
            throw CommandError("the payload must be a JSON object of arguments");
    }

    CLI::App send("send");
    panelink::cli::SendOptions options;
    panelink::cli::add_output_subcommands(send, options);
    const auto found =
        std::find_if(options.commands.begin(), options.commands.end(),
                     [&](const auto &command) { return command.first->get_name() == name; });
    if (found == options.commands.end())
        throw CommandError("unknown command \"" + name + "\"");
    CLI::App &command = *found->first;

    std::vector<std::string> words = {"send", name};
    std::vector<std::string> positionals;
    for (const auto &[key, value] : arguments.items()) {
        const CLI::Option *option = nullptr;
        for (const CLI::Option *candidate : command.get_options())
            if (key_of_option(*candidate) == key && key != "help" && !key.empty())
                option = candidate;
        if (option == nullptr)
            throw CommandError(name + " takes no argument \"" + key +
                               "\" (it takes: " + known_keys(command) + ")");
        std::vector<std::string> texts;
        if (value.is_array()) {
            for (const json &item : value)
                texts.push_back(argument_text(item, key, option->get_positional()));
        } else {
            texts.push_back(argument_text(value, key, option->get_positional()));
        }
        if (option->get_positional()) {
            positionals.insert(positionals.end(), texts.begin(), texts.end());
        } else {
            if (texts.size() != 1)
                throw CommandError(key + ": takes one value");
            words.push_back(option->get_name(false, true));
            words.push_back(texts.front());
        }
    }
    // Positional values may start with '-' (a display text "-12.5").
    words.push_back("--");
    words.insert(words.end(), positionals.begin(), positionals.end());

    std::vector<const char *> argv;
    for (const std::string &word : words)
        argv.push_back(word.c_str());
    try {
        send.parse(static_cast<int>(argv.size()), argv.data());
        return found->second();
    } catch (const CLI::ParseError &e) {
        throw CommandError(name + ": " + e.what());
    } catch (const panelink::cli::UsageError &e) {
        throw CommandError(name + ": " + e.what());
    }
}

} // namespace panelinkd

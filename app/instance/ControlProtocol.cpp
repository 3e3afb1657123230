#include "app/instance/ControlProtocol.h"

#include <nlohmann/json.hpp>

namespace dustlyn {

std::string ControlProtocol::encodeRequest(const CommandLine& line) {
    nlohmann::json json;
    json["command"] = line.command;
    json["arguments"] = line.arguments;
    json["options"] = line.options;
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<CommandLine> ControlProtocol::decodeRequest(const std::string& text) {
    try {
        const auto json = nlohmann::json::parse(text);
        CommandLine line;
        line.command = json.at("command").get<std::string>();
        line.arguments = json.at("arguments").get<std::vector<std::string>>();
        line.options = json.at("options").get<std::map<std::string, std::string>>();
        return line;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::string ControlProtocol::encodeAnswer(const CommandOutput& output) {
    nlohmann::json json;
    json["exitCode"] = output.exitCode;
    json["out"] = output.out;
    json["err"] = output.err;
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<CommandOutput> ControlProtocol::decodeAnswer(const std::string& text) {
    try {
        const auto json = nlohmann::json::parse(text);
        CommandOutput output;
        output.exitCode = json.at("exitCode").get<int>();
        output.out = json.at("out").get<std::string>();
        output.err = json.at("err").get<std::string>();
        return output;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace dustlyn

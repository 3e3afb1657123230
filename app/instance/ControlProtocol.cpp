#include "app/instance/ControlProtocol.h"

#include <nlohmann/json.hpp>

namespace dustlyn {

namespace {

std::string line(const nlohmann::json& json) {
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace

std::string ControlProtocol::encodeRequest(const Request& request) {
    nlohmann::json json;
    json["command"] = request.line.command;
    json["arguments"] = request.line.arguments;
    json["options"] = request.line.options;
    json["progress"] = request.progress;
    return line(json);
}

std::optional<ControlProtocol::Request> ControlProtocol::decodeRequest(const std::string& text) {
    try {
        const auto json = nlohmann::json::parse(text);
        Request request;
        request.line.command = json.at("command").get<std::string>();
        request.line.arguments = json.at("arguments").get<std::vector<std::string>>();
        request.line.options =
            json.at("options").get<std::map<std::string, std::vector<std::string>>>();
        request.progress = json.value("progress", false);
        return request;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::string ControlProtocol::encodeProgress(const MoveProgress& progress) {
    return line({{"progress",
                  {{"filesDone", progress.files},
                   {"filesTotal", progress.total},
                   {"bytesDone", progress.bytes},
                   {"bytesTotal", progress.bytesTotal}}}});
}

std::string ControlProtocol::encodeAnswer(const CommandOutput& output) {
    return line({{"exitCode", output.exitCode}, {"out", output.out}, {"err", output.err}});
}

std::optional<ControlProtocol::Reply> ControlProtocol::decodeReply(const std::string& text) {
    try {
        const auto json = nlohmann::json::parse(text);
        if (json.contains("progress")) {
            const auto& p = json.at("progress");
            return MoveProgress{
                p.at("filesDone").get<std::int64_t>(), p.at("filesTotal").get<std::int64_t>(),
                p.at("bytesDone").get<std::int64_t>(), p.at("bytesTotal").get<std::int64_t>()};
        }
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

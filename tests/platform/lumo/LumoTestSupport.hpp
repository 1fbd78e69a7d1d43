// Helpers shared by the framework and binding tests: files in a temporary directory, the
// generated metadata files of the build, synchronous calls through a bound interface, and
// the first message of an error value.
#pragma once

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <fstream>

#include "platform/lumo/AsyncApiInterface.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "support/TempDir.hpp"

namespace LumoTestSupport {

using TestSupport::TempDir;

// Writes `text` into `name` below `dir` and returns the file's path.
inline std::string Written(const TempDir& dir, const std::string& name, const std::string& text)
{
    dir.Write(name, text);
    return dir.File(name);
}

// The path of the generated metadata file `name` of the build under test.
inline std::string GeneratedMetadata(const std::string& name)
{
    const char* build = std::getenv("HOSTPREFD_BUILD_DIR");
    if (build == nullptr) ADD_FAILURE() << "HOSTPREFD_BUILD_DIR is not set; run the test through ctest";
    return std::string(build != nullptr ? build : ".") + "/generated/metadata/" + name;
}

// The parsed content of the file at `path`, to compare answers with what the file says.
inline rapidjson::Document ReadJson(const std::string& path)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    rapidjson::Document document;
    document.Parse(text.c_str());
    EXPECT_TRUE(!document.HasParseError() && document.IsObject()) << path;
    return document;
}

// The first message of error value `error`.
inline std::optional<Com::Orvane::Lumo::Std::LocalizableMessage> FirstMessage(const Lumo::Data::ErrorValuePtr& error)
{
    auto messages = error ? Lumo::Data::ValueCast<Lumo::Data::ListValue>(error->GetField("messages")) : nullptr;
    if (!messages || messages->Size() == 0) return std::nullopt;
    return Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0]);
}

// "<error name>: <first localized message>" of an error, or "no error" for none.
inline std::string ErrorText(const Lumo::Data::ErrorValuePtr& error)
{
    if (!error) return "no error";
    auto message = FirstMessage(error);
    return error->Name() + ": " + (message ? message->localized : "<no message>");
}
inline std::string ErrorText(const Lumo::Core::MethodResult& result)
{
    return ErrorText(result.IsError() ? result.Error() : nullptr);
}

// The parameter structure of a call: name/value pairs of strings.
inline Lumo::Data::DataValuePtr Params(std::vector<std::pair<std::string, std::string>> params)
{
    auto input = Lumo::Data::StructValue::Create("");
    for (auto& [name, value] : params) input->SetField(name, Lumo::Data::StringValue::Create(value));
    return input;
}

// Calls `operation` of `service` and returns the one result it delivered synchronously
// (the metadata services answer at once).
inline Lumo::Core::MethodResult CallNow(Lumo::Provider::AsyncApiInterface& service, const std::string& operation,
                                        Lumo::Data::DataValuePtr input = nullptr)
{
    std::vector<Lumo::Core::MethodResult> results;
    service.Invoke(Lumo::Core::MethodIdentifier(service.ServiceId(), operation), std::move(input),
                   Lumo::Core::AsyncActivation::GetInstance({}),
                   [&results](Lumo::Core::MethodResult result) { results.push_back(std::move(result)); });
    EXPECT_EQ(results.size(), 1u) << service.ServiceId() << "." << operation;
    return results.empty() ? Lumo::Core::MethodResult::GetErrorInstance() : std::move(results.front());
}

// The strings of a list value (empty when it is not one).
inline std::vector<std::string> StringsOf(const Lumo::Data::DataValuePtr& value)
{
    std::vector<std::string> strings;
    if (auto list = Lumo::Data::ValueCast<Lumo::Data::ListValue>(value)) {
        for (const auto& item : list->Items()) {
            if (auto text = Lumo::Data::ValueCast<Lumo::Data::StringValue>(item)) strings.push_back(text->Get());
        }
    }
    return strings;
}

}  // namespace LumoTestSupport

// Lumo::Protocol::Json::OutputRange: the sink a response serializer hands its encoded bytes
// to, one piece at a time; the HTTP transaction writes each piece as one chunk.
//
// An OutputPiece owns its bytes (usually the writer's own buffer, moved, never copied), so a
// receiver can keep it alive until an asynchronous write completes. Implementations are used
// by one thread at a time.
#pragma once

#include <rapidjson/stringbuffer.h>

#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace Lumo::Protocol::Json {

class OutputPiece {
public:
    // Takes over the bytes written into `buffer` without copying them.
    explicit OutputPiece(rapidjson::StringBuffer&& buffer) : bytes_(std::move(buffer)) {}
    // Takes over `bytes`.
    explicit OutputPiece(std::string bytes) : bytes_(std::move(bytes)) {}

    OutputPiece(OutputPiece&&) = default;
    OutputPiece& operator=(OutputPiece&&) = default;

    // The bytes of the piece; valid while the piece lives and is not moved from.
    std::string_view Bytes() const
    {
        if (const auto* text = std::get_if<std::string>(&bytes_)) {
            return *text;
        }
        const auto& buffer = std::get<rapidjson::StringBuffer>(bytes_);
        return {buffer.GetString(), buffer.GetSize()};
    }

private:
    std::variant<rapidjson::StringBuffer, std::string> bytes_;
};

class OutputRange {
public:
    virtual ~OutputRange() = default;

    // Receives the next piece of the encoded answer; the receiver owns it from now on.
    virtual void Put(OutputPiece piece) = 0;
};

}  // namespace Lumo::Protocol::Json

// Lumo::Protocol::Json::CollectingOutputRange: an OutputRange that keeps every piece in
// order, for callers that write the answer after encoding it (a Content-Length answer) and
// for tests.
//
// Owned by its user; not thread-safe.
#pragma once

#include <string>
#include <vector>

#include "platform/lumo/OutputRange.hpp"

namespace Lumo::Protocol::Json {

class CollectingOutputRange final : public OutputRange {
public:
    void Put(OutputPiece piece) override { pieces_.push_back(std::move(piece)); }

    // The pieces received so far, in order.
    const std::vector<OutputPiece>& Pieces() const { return pieces_; }
    // Hands the pieces over and leaves the range empty.
    std::vector<OutputPiece> Take() { return std::move(pieces_); }
    // The total number of bytes received.
    size_t Size() const;
    // All pieces concatenated (copies; meant for tests and small answers).
    std::string Joined() const;

private:
    std::vector<OutputPiece> pieces_;
};

}  // namespace Lumo::Protocol::Json

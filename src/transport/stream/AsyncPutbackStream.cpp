#include "transport/stream/AsyncPutbackStream.hpp"

namespace Lumo::Asio {

AsyncPutbackStream::AsyncPutbackStream(TimeoutBaseStream stream) : stream_(std::move(stream)) {}

void AsyncPutbackStream::Putback(boost::asio::const_buffer bytes)
{
    if (bytes.size() == 0) {
        return;
    }
    const auto* data = static_cast<const char*>(bytes.data());
    if (next_ == end_) {
        storage_.assign(data, data + bytes.size());
    } else {
        // Rare: bytes put back while earlier ones are unread. The new bytes go first.
        std::vector<char> joined;
        joined.reserve(bytes.size() + PutbackSize());
        joined.insert(joined.end(), data, data + bytes.size());
        joined.insert(joined.end(), next_, end_);
        storage_.swap(joined);
    }
    next_ = storage_.data();
    end_ = next_ + storage_.size();
}

}  // namespace Lumo::Asio

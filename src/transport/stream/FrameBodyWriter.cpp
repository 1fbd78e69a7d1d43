#include "transport/stream/Header.hpp"
#include "transport/stream/FrameBodyWriter.hpp"

#include <cstdio>

namespace Lumo::Transport::Http::HttpDetail {

namespace {


}  // namespace

FrameBodyWriter::Writer::Writer(boost::asio::const_buffer piece)
{
    Reset(piece);
}

void FrameBodyWriter::Writer::Reset(boost::asio::const_buffer piece)
{
    piece_ = piece;
    const int count = std::snprintf(digits_, sizeof digits_, "%llx", static_cast<unsigned long long>(piece.size()));
    digitCount_ = static_cast<std::size_t>(count);
}

FrameBodyWriter::Writer::Buffers FrameBodyWriter::Writer::GatherList() const noexcept
{
    return {boost::asio::const_buffer(digits_, digitCount_), boost::asio::const_buffer(kCrlf.data(), kCrlf.size()),
            piece_, boost::asio::const_buffer(kCrlf.data(), kCrlf.size())};
}

}  // namespace Lumo::Transport::Http::HttpDetail

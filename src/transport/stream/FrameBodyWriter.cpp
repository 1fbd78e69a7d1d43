#include "transport/stream/Header.hpp"
#include "transport/stream/FrameBodyWriter.hpp"

#include "transport/stream/HexDigits.hpp"

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
    digitCount_ = WriteHex(piece.size(), digits_);
}

FrameBodyWriter::Writer::Buffers FrameBodyWriter::Writer::GatherList() const noexcept
{
    return {boost::asio::const_buffer(digits_, digitCount_), boost::asio::const_buffer(kCrlf.data(), kCrlf.size()),
            piece_, boost::asio::const_buffer(kCrlf.data(), kCrlf.size())};
}

}  // namespace Lumo::Transport::Http::HttpDetail

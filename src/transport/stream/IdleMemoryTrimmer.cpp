#include "transport/stream/IdleMemoryTrimmer.hpp"

#include <malloc.h>

namespace Lumo::Asio {

std::shared_ptr<IdleMemoryTrimmer> IdleMemoryTrimmer::Create(boost::asio::any_io_executor executor,
                                                             Clock::duration minInterval)
{
    return std::shared_ptr<IdleMemoryTrimmer>(new IdleMemoryTrimmer(std::move(executor), minInterval));
}

IdleMemoryTrimmer::IdleMemoryTrimmer(boost::asio::any_io_executor executor, Clock::duration minInterval)
    : minInterval_(minInterval), timer_(std::move(executor))
{
}

IdleMemoryTrimmer::Token IdleMemoryTrimmer::Enter()
{
    ++open_;
    return Token(nullptr, [self = shared_from_this()](void*) { self->Leave(); });
}

void IdleMemoryTrimmer::Leave()
{
    if (--open_ == 0) {
        boost::asio::post(timer_.get_executor(), [self = shared_from_this()] { self->TrimWhenIdle(); });
    }
}

void IdleMemoryTrimmer::TrimWhenIdle()
{
    if (open_ != 0 || timerPending_) {
        return;  // busy again, or a trim is already due
    }
    const Clock::time_point now = Clock::now();
    if (lastTrim_ == Clock::time_point::min() || now - lastTrim_ >= minInterval_) {
        Trim();
        return;
    }
    timerPending_ = true;
    timer_.expires_at(lastTrim_ + minInterval_);
    timer_.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
        self->timerPending_ = false;
        if (!ec && self->open_ == 0) {
            self->Trim();
        }
    });
}

void IdleMemoryTrimmer::Trim()
{
    malloc_trim(0);
    lastTrim_ = Clock::now();
    ++trims_;
}

}  // namespace Lumo::Asio

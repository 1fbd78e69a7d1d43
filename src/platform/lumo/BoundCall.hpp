// Lumo::Bindings::BoundCall: one call as a generated binder hands it to an operation: the
// decoded input structure, the activation and the result callback, answered exactly once.
//
// Created per call by ServiceBinder; copies of its results may complete on any thread, and
// the first answer wins (later ones are dropped).
#pragma once

#include <atomic>
#include <memory>
#include <string_view>

#include "platform/lumo/AsyncActivation.hpp"
#include "platform/lumo/AsyncApiResultCb.hpp"
#include "platform/lumo/AsyncResult.hpp"
#include "platform/lumo/StructValue.hpp"
#include "platform/lumo/TypeAdapter.hpp"
#include "platform/lumo/VoidValue.hpp"

namespace Lumo::Bindings {

class BoundCall {
public:
    // `input` is the call's parameter structure (never null); adapter failures are
    // rendered by `localizer`.
    BoundCall(std::shared_ptr<const Data::StructValue> input, std::shared_ptr<Core::AsyncActivation> activation,
              Core::AsyncApiResultCb resultCb, L10n::RequestLocalizer localizer);

    // Reads parameter `name` into `native`. On failure answers the call with the
    // adapter's InvalidArgument error and returns false; the operation must then stop.
    template <class T>
    bool Read(std::string_view name, T& native)
    {
        size_t mark = context_.EnterField(name);
        if (!ReadValue(input_->GetField(name), native, context_)) {
            Answer(Core::MethodResult::FromError(context_.Error()));
            return false;
        }
        context_.Leave(mark);
        return true;
    }

    const std::shared_ptr<Core::AsyncActivation>& Activation() const { return activation_; }

    // The typed end of this call: its output travels in native form, and the answer's
    // encoder has the type's adapter emit it.
    template <class T>
    Core::AsyncResult<T> Result() const
    {
        return Core::AsyncResult<T>([answer = answer_](T* output, Data::ErrorValuePtr error) {
            if (output == nullptr) {
                answer->Deliver(Core::MethodResult::FromError(std::move(error)));
                return;
            }
            answer->Deliver(Core::MethodResult::FromNative(
                std::make_shared<Data::NativeOutputOf<T, TypeAdapter<T>>>(std::move(*output))));
        });
    }

    // Answers the call unless it was answered already.
    void Answer(Core::MethodResult result) const { answer_->Deliver(std::move(result)); }
    // True once the call has been answered.
    bool Answered() const { return answer_->delivered.load(); }

private:
    struct Answerer {
        Core::AsyncApiResultCb resultCb;
        std::atomic<bool> delivered{false};

        void Deliver(Core::MethodResult result);
    };

    std::shared_ptr<const Data::StructValue> input_;
    std::shared_ptr<Core::AsyncActivation> activation_;
    std::shared_ptr<Answerer> answer_;
    AdaptContext context_;
};

template <>
inline Core::AsyncResult<void> BoundCall::Result<void>() const
{
    return Core::AsyncResult<void>([answer = answer_](Data::ErrorValuePtr error) {
        answer->Deliver(error == nullptr ? Core::MethodResult::FromOutput(Data::VoidValue::GetInstance())
                                         : Core::MethodResult::FromError(std::move(error)));
    });
}

}  // namespace Lumo::Bindings

#include "api/ProviderFactory.hpp"

#include <vector>

#include "platform/lumo/AsyncLocalProvider.hpp"
#include "platform/lumo/DummyMutex.hpp"

namespace Host::Settings::SettingsApi {

std::shared_ptr<Lumo::Core::AsyncApiProvider> ProviderFactory::Create(boost::asio::io_context& ioContext,
                                                                      std::shared_ptr<Lumo::Log::Logger> logger)
{
    using Container = Lumo::Provider::AsyncApiInterfaceConcurrentContainer<Lumo::DummyMutex>;
    std::vector<Lumo::Provider::AsyncApiInterfacePtr> interfaces;
    // Services run on a later turn of the endpoint thread, never inside the caller's turn.
    Lumo::Provider::Dispatcher dispatcher = [&ioContext](std::function<void()> work) {
        boost::asio::post(ioContext, std::move(work));
    };
    return std::make_shared<Lumo::Provider::AsyncLocalProvider<Lumo::DummyMutex>>(std::move(dispatcher),
                                                                                Container::GetInstance(interfaces));
}

}  // namespace Host::Settings::SettingsApi

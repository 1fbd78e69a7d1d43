#include "software/DepotArguments.hpp"

#include <regex>

#include "software/ImageManager.hpp"

namespace LifeCycle {

bool DepotArguments::Append(const std::vector<std::string>& urls, std::string& command,
                            Lumo::Data::ErrorValuePtr& error)
{
    // The characters a URL may hold; blanks and quotes would change the command line's words.
    static const std::regex kDepotUrl(R"(^[a-zA-Z0-9\-\._~:\/?#\[\]@!\$&'()*+,;%=]+$)",
                                      std::regex::ECMAScript);
    if (urls.empty()) {
        error = ImageManager::InvalidInput();
        return false;
    }
    for (const std::string& url : urls) {
        if (!std::regex_match(url, kDepotUrl)) {
            error = ImageManager::InvalidInput();
            return false;
        }
        command += " --depot " + url;
    }
    return true;
}

}  // namespace LifeCycle

#include "base/Texts.h"

#include "base/Codec.h"

#include <map>
#include <mutex>

namespace texts {

const std::string& Cp932Text(std::string_view utf8)
{
    // Node-based, so references handed out stay valid as texts are added.
    static std::mutex mutex;
    static std::map<std::string, std::string, std::less<>> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(utf8);
    if (it == cache.end()) {
        std::string converted = codec::Utf8ToCp932(utf8).value_or(std::string(utf8));
        it = cache.emplace(std::string(utf8), std::move(converted)).first;
    }
    return it->second;
}

} // namespace texts

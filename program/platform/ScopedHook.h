// Installs a replaceable hook for the lifetime of a scope and then restores
// the one it replaced (Set installs a hook and returns the previous one).
#pragma once

#include <utility>

namespace vorlantic::platform {

template <class Hook, Hook (*Set)(Hook)>
class ScopedHook {
public:
    explicit ScopedHook(Hook hook) : previous_(Set(std::move(hook))) {}
    ~ScopedHook() { Set(std::move(previous_)); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    Hook previous_;
};

}  // namespace vorlantic::platform

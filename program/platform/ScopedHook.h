// Replaceable hooks: one process-wide slot per hook type, and a scope that
// installs a hook for its lifetime and then restores the one it replaced
// (Set installs a hook and returns the previous one).
#pragma once

#include <utility>

namespace vorlantic::platform {

// The installed hook of its type; empty until one is installed.
template <class Hook>
Hook& HookSlot() {
    static Hook hook;
    return hook;
}

// Installs hook in its slot and returns the one it replaces.
template <class Hook>
Hook ReplaceHook(Hook hook) {
    return std::exchange(HookSlot<Hook>(), std::move(hook));
}

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

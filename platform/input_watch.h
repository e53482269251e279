// A look at the desktop's keyboard and mouse input before any window gets it, through
// low-level hooks that only observe and never swallow anything: a program that holds some
// keys for a while learns of the first other key and of any click, wherever they go. The
// hooks' procedures run on the thread that started the watch, from its message loop, and
// keep short (Windows drops a hook that takes too long). Behind a small interface so that
// tests can report input themselves.
#pragma once

#include <windows.h>

namespace nimbara {

// A key going down (its repeats included), as the watch sees it.
struct KeyDownSeen {
    UINT virtual_key = 0;
    bool modifiers_down = false;  // Shift, Ctrl, Alt or a Windows key held with it
    bool injected = false;        // typed by a program, not by a keyboard
};

// Told of the input seen. Called from the hooks' procedures: nothing here may throw, and
// a call may stop the watch.
class InputObserver {
public:
    virtual ~InputObserver() = default;
    virtual void KeyDown(const KeyDownSeen& key) noexcept = 0;
    // A mouse button went down, anywhere on the desktop.
    virtual void ButtonPressed() noexcept = 0;
};

class InputWatchApi {
public:
    virtual ~InputWatchApi() = default;
    // Starts telling `observer` of every key and button going down; false when the system
    // refuses the hooks. One watch at a time in a process.
    [[nodiscard]] virtual bool Start(InputObserver& observer) = 0;
    virtual void Stop() noexcept = 0;
};

InputWatchApi& SystemInputWatch();

// One watch, stopped when the owner goes or is reset.
class InputWatch {
public:
    InputWatch() noexcept = default;
    InputWatch(InputWatch&& other) noexcept;
    InputWatch& operator=(InputWatch&& other) noexcept;
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;
    ~InputWatch() { reset(); }

    // An empty owner when the system refuses the hooks.
    [[nodiscard]] static InputWatch Start(InputWatchApi& api, InputObserver& observer) noexcept;
    explicit operator bool() const noexcept { return api_ != nullptr; }
    void reset() noexcept;

private:
    explicit InputWatch(InputWatchApi& api) noexcept : api_(&api) {}
    InputWatchApi* api_ = nullptr;
};

}  // namespace nimbara

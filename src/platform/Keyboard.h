#pragma once
// Keyboard state asked by the program (the Ctrl key held during a click or a load).

namespace stanor::platform {

class Keyboard {
public:
    virtual ~Keyboard() = default;
    virtual bool ctrlHeld() const = 0;
};

// A keyboard whose Ctrl state tests set.
class ScriptedKeyboard final : public Keyboard {
public:
    bool ctrlHeld() const override { return ctrl; }
    bool ctrl = false;
};

}  // namespace stanor::platform

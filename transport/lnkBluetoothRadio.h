#pragma once
// A Bluetooth radio stands for a whole Bluetooth stack, not for a piece of hardware: its
// one value `Api` selects the stack.
#include "transport/lnkAPI.h"
#include "transport/lnkComponent.h"

class TlnkBluetoothRadio : public TPersistent {
public:
    TlnkBluetoothRadio() = default;
    explicit TlnkBluetoothRadio(TlnkBluetoothApi Api) : api_(Api) {}

    TlnkBluetoothApi Api() const { return api_; }
    void SetApi(TlnkBluetoothApi Value) { api_ = Value; }

    // Copies Api from another radio; null raises lnkEInvalidArgument "Radio parameter is
    // not valid.".
    void Assign(const TPersistent* Source) override;

private:
    TlnkBluetoothApi api_ = baBlueSoleil;
};

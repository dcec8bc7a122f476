#pragma once
// An infrared gauge in the air of the emulated infrared layer, made by hand from the
// layer's published layout, as any outside program would: a participant folder
// <air>/<ID> (ID 8 upper-case hex digits) holding the file `name` and the service
// "IrDA:IrCOMM" as a listening Unix-domain stream socket. The program connects to that
// service; the bytes on the link are the raw bytes.
//
// Threads: one thread uses an object.
#include <cstdint>
#include <optional>
#include <string>

namespace dabrix::tools {

class IrDAGauge {
public:
    IrDAGauge() = default;
    ~IrDAGauge() { Remove(); }
    IrDAGauge(const IrDAGauge&) = delete;
    IrDAGauge& operator=(const IrDAGauge&) = delete;

    // Enters the air `air` as the device `id` (a random unused one when not given) with
    // the nickname `name`. False with `error` set when the air is missing, the id is
    // taken or the service cannot be set up.
    bool Create(const std::string& air, std::optional<std::uint32_t> id, const std::string& name, std::string& error);
    // Leaves the air: the socket, the name and the folder go. Safe to call more than once.
    void Remove();

    // The listening socket (non-blocking), -1 before Create.
    int ListenFd() const { return listen_; }
    // A connection the program opened, non-blocking; -1 when none waits.
    int Accept() const;
    // The other role: the gauge as the client of a computer that offers "IrDA:IrCOMM"
    // in the air. Connects to the first participant (in folder-name order) that has
    // registered the IAS class "IrDA:IrCOMM" and whose service takes the connection; the
    // socket is non-blocking, -1 when none took it.
    static int ConnectToService(const std::string& air);
    // The device's address text, e.g. "(1A:2B:3C:4D)".
    std::string Address() const;

    static constexpr const char* kService = "IrDA:IrCOMM";

private:
    std::string folder_;  // the participant folder's path, empty when not in the air
    std::uint32_t id_ = 0;
    int listen_ = -1;
};

} // namespace dabrix::tools

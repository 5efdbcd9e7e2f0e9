// One serial port: its name, settings, time-outs and platform handle.
#pragma once

#include <cstdint>
#include <string>

#include "commerror.h"
#include "platform/portio.h"
#include "platform/winserial.h"

// Handshaking modes; any other value means none.
enum : int32_t { kHandshakeNone = 0, kHandshakeCtsRts = 1, kHandshakeDsrDtr = 2 };

// Every failure is raised as ECommError.
class TCommPort {
public:
    TCommPort();
    ~TCommPort();
    TCommPort(const TCommPort &) = delete;
    TCommPort &operator=(const TCommPort &) = delete;

    void SetPortName(const std::string &name);
    void SetBaudRate(uint32_t rate);
    void SetByteSize(uint8_t size);
    void SetParity(uint8_t parity);      // NOPARITY, ODDPARITY, EVENPARITY
    void SetStopBits(uint8_t stopBits);  // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    void SetHandshaking(int32_t mode);

    void OpenPort();
    void ClosePort();
    void CheckOpen() const;

    void WriteByte(uint8_t value);
    uint8_t ReadByte();
    uint32_t BytesToRead();
    uint32_t BytesToWrite();
    void PurgeInput();
    // What a caller waits on for received bytes (see zmhwLINE).
    intptr_t Waitable();

    bool IsOpen() const { return open_; }
    const std::string &PortName() const { return name_; }
    const DCB &Dcb() const { return dcb_; }
    const COMMTIMEOUTS &Timeouts() const { return timeouts_; }
    HANDLE Handle() const { return handle_; }
    int32_t Handshaking() const { return handshaking_; }

private:
    // Applies the block if the port is open; on refusal puts `previous` back and raises `kind`.
    void Apply(uint8_t kind, const DCB &previous);
    template <typename T>
    void SetField(T DCB::*field, T value, uint8_t kind);
    [[noreturn]] void AbandonOpen(uint8_t kind, const DCB &chosen);
    COMSTAT Queues();

    bool open_ = false;
    COMMTIMEOUTS timeouts_{};
    std::string name_ = "COM1";
    DCB dcb_{};
    HANDLE handle_ = nullptr;
    int32_t handshaking_ = kHandshakeNone;
    zmhw::PortIo io_;
};

#include "commport.h"

namespace {

constexpr DWORD kReceiveBuffer = 32768;
constexpr DWORD kSendBuffer = 9216;
constexpr WORD kFlowLimit = 8192;  // XonLim and XoffLim
constexpr COMMTIMEOUTS kTimeouts = {15, 1, 250, 1, 250};

void SetHandshakeFields(DCB &dcb, bool ctsFlow, DWORD rtsControl, bool dsrFlow, DWORD dtrControl)
{
    dcb.fOutxCtsFlow = ctsFlow;
    dcb.fRtsControl = rtsControl;
    dcb.fOutxDsrFlow = dsrFlow;
    dcb.fDtrControl = dtrControl;
}

}  // namespace

TCommPort::TCommPort()
{
    dcb_.DCBlength = sizeof(DCB);
    dcb_.BaudRate = 9600;
    dcb_.ByteSize = 8;
    dcb_.Parity = NOPARITY;
    dcb_.StopBits = ONESTOPBIT;
    SetHandshakeFields(dcb_, false, RTS_CONTROL_ENABLE, false, DTR_CONTROL_ENABLE);
}

TCommPort::~TCommPort()
{
    try {
        ClosePort();
    } catch (const ECommError &) {
        // Nothing more can be done about a device that refuses to close.
    }
}

void TCommPort::SetPortName(const std::string &name)
{
    if (open_)
        throw ECommError(kCommNameWhileOpen);
    name_ = name;
}

void TCommPort::Apply(uint8_t kind, const DCB &previous)
{
    if (!open_ || SetCommState(handle_, &dcb_))
        return;
    const ECommError error(kind);
    dcb_ = previous;
    throw error;
}

template <typename T>
void TCommPort::SetField(T DCB::*field, T value, uint8_t kind)
{
    const DCB previous = dcb_;
    dcb_.*field = value;
    Apply(kind, previous);
}

void TCommPort::SetBaudRate(uint32_t rate)
{
    SetField<DWORD>(&DCB::BaudRate, rate, kCommBaudRate);
}

void TCommPort::SetByteSize(uint8_t size)
{
    SetField<BYTE>(&DCB::ByteSize, size, kCommByteSize);
}

void TCommPort::SetParity(uint8_t parity)
{
    SetField<BYTE>(&DCB::Parity, parity, kCommParity);
}

void TCommPort::SetStopBits(uint8_t stopBits)
{
    SetField<BYTE>(&DCB::StopBits, stopBits, kCommStopBits);
}

void TCommPort::SetHandshaking(int32_t mode)
{
    if (mode == handshaking_)
        return;
    const DCB previous = dcb_;
    const int32_t previousMode = handshaking_;
    SetHandshakeFields(dcb_, false, RTS_CONTROL_ENABLE, false, DTR_CONTROL_ENABLE);
    handshaking_ = kHandshakeNone;
    if (mode == kHandshakeCtsRts) {
        SetHandshakeFields(dcb_, true, RTS_CONTROL_HANDSHAKE, false, DTR_CONTROL_ENABLE);
        handshaking_ = kHandshakeCtsRts;
    } else if (mode == kHandshakeDsrDtr) {
        SetHandshakeFields(dcb_, false, RTS_CONTROL_ENABLE, true, DTR_CONTROL_HANDSHAKE);
        handshaking_ = kHandshakeDsrDtr;
    }
    try {
        Apply(kCommHandshaking, previous);
    } catch (const ECommError &) {
        handshaking_ = previousMode;
        throw;
    }
}

void TCommPort::AbandonOpen(uint8_t kind, const DCB &chosen)
{
    const ECommError error(kind);
    io_.Detach();
    CloseHandle(handle_);
    handle_ = nullptr;
    dcb_ = chosen;
    throw error;
}

void TCommPort::OpenPort()
{
    if (open_)
        return;
    const DCB chosen = dcb_;
    // Windows knows only COM1 to COM9 without the device namespace; with it, every port.
    const std::string device = "\\\\.\\" + name_;
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, zmhw::PortIo::OpenFlags(), nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw ECommError(kCommCreateFile);
    handle_ = handle;
    if (!GetCommState(handle_, &dcb_))
        AbandonOpen(kCommGetState, chosen);
    // The device's own values stay for everything but these eight settings.
    dcb_.BaudRate = chosen.BaudRate;
    dcb_.ByteSize = chosen.ByteSize;
    dcb_.Parity = chosen.Parity;
    dcb_.StopBits = chosen.StopBits;
    SetHandshakeFields(dcb_, chosen.fOutxCtsFlow, chosen.fRtsControl, chosen.fOutxDsrFlow,
                       chosen.fDtrControl);
    if (!SetupComm(handle_, kReceiveBuffer, kSendBuffer))
        AbandonOpen(kCommSetup, chosen);
    dcb_.XonLim = kFlowLimit;
    dcb_.XoffLim = kFlowLimit;
    if (!SetCommState(handle_, &dcb_))
        AbandonOpen(kCommSetState, chosen);
    timeouts_ = kTimeouts;
    if (!SetCommTimeouts(handle_, &timeouts_))
        AbandonOpen(kCommTimeouts, chosen);
    if (!io_.Attach(handle_, timeouts_))
        AbandonOpen(kCommSetup, chosen);
    open_ = true;
}

void TCommPort::ClosePort()
{
    if (!open_)
        return;
    // A handle that the platform refused to close is spent all the same: never use it again.
    HANDLE handle = handle_;
    io_.Detach();
    handle_ = nullptr;
    open_ = false;
    if (!CloseHandle(handle))
        throw ECommError(kCommClose);
}

void TCommPort::CheckOpen() const
{
    if (!open_)
        throw ECommError(kCommNotOpen);
}

void TCommPort::WriteByte(uint8_t value)
{
    CheckOpen();
    DWORD written = 0;
    if (!io_.Write(value, written))
        throw ECommError(kCommWrite);
    // The write time-out passed with the byte still here: it was not sent.
    if (written != 1)
        throw ECommError(kCommWrite, ERROR_TIMEOUT);
}

uint8_t TCommPort::ReadByte()
{
    CheckOpen();
    uint8_t value = 0;
    DWORD read = 0;
    if (!io_.Read(value, read))
        throw ECommError(kCommRead);
    if (read != 1)
        throw ECommError(kCommRead, ERROR_TIMEOUT);
    return value;
}

COMSTAT TCommPort::Queues()
{
    CheckOpen();
    DWORD errors = 0;  // line errors are cleared and not looked at
    COMSTAT stat{};
    if (!ClearCommError(handle_, &errors, &stat))
        throw ECommError(kCommQueues);
    return stat;
}

uint32_t TCommPort::BytesToRead()
{
    const uint32_t queued = Queues().cbInQue;
    DWORD ahead = 0;
    if (!io_.Ahead(ahead))
        throw ECommError(kCommRead);
    const uint32_t waiting = queued + ahead;
    if (waiting == 0 && !io_.Rearm())
        throw ECommError(kCommRead);
    return waiting;
}

uint32_t TCommPort::BytesToWrite()
{
    return Queues().cbOutQue;
}

void TCommPort::PurgeInput()
{
    CheckOpen();
    if (!PurgeComm(handle_, PURGE_RXCLEAR) || !io_.Drop())
        throw ECommError(kCommPurge);
}

intptr_t TCommPort::Waitable()
{
    CheckOpen();
    intptr_t line = 0;
    if (!io_.Waitable(line))
        throw ECommError(kCommRead);
    return line;
}

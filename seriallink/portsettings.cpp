#include "portsettings.h"

#include "platform/winserial.h"

std::string ComPortName(int32_t port)
{
    return "COM" + std::to_string(port);
}

uint8_t StopBitsFromCode(int32_t code)
{
    switch (code) {
    case 2: return TWOSTOPBITS;
    case 3: return ONE5STOPBITS;
    default: return ONESTOPBIT;
    }
}

uint8_t ParityFromLetter(uint8_t letter)
{
    switch (letter) {
    case 'E':
    case 'e': return EVENPARITY;
    case 'O':
    case 'o': return ODDPARITY;
    default: return NOPARITY;
    }
}

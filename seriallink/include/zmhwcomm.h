/* libzmhwcomm (zmhwcomm.dll on Windows): a byte-at-a-time serial port, for C and C++ callers.
 *
 * A port is held in an intptr_t variable that zmhwOpen fills and zmhwClose empties; the other
 * calls take its value. On 32-bit Windows the port calls are __stdcall and every export has its
 * plain, undecorated name (zmhwOpen, not _zmhwOpen@28); zmotla is a plain C call everywhere.
 * Every port call returns -4 on any failure, and nothing else below 0. */
#ifndef ZMHWCOMM_H
#define ZMHWCOMM_H

#ifdef __cplusplus
#include <cstdint>
#else
#include <stdint.h>
#endif

#if defined(_WIN32)
#define ZMHW_API __stdcall
#else
#define ZMHW_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens port number `port` (on Windows the device \\.\COMn: COM1 is 1, COM12 is 12) for this
 * program alone, and on success stores the port in *handle and returns 0.
 *   baud      bits per second: any rate the device takes (110 ... 115200, 250000, ...)
 *   databits  5, 6, 7 or 8
 *   stopbits  2: two stop bits (not with 5 data bits); 3: one and a half (only with 5 data
 *             bits); any other value (0, 1): one stop bit
 *   parity    a character: 'E' or 'e' even, 'O' or 'o' odd, any other ('N'): none
 *   flow      1: RTS/CTS handshake; 2: DTR/DSR handshake; any other (0): none
 * Fixed: a 32768-byte receive and a 9216-byte send buffer; reading or sending one byte waits
 * at most about 250 ms.
 * Returns -4 when handle is NULL, the device is missing or in use, or a setting is refused:
 * *handle is then 0. Also -4, leaving *handle and its port as they are, when *handle still
 * holds a port this library opened and has not closed (close it first). Any other value in
 * *handle, an uninitialised one included, is overwritten. */
int32_t ZMHW_API zmhwOpen(intptr_t *handle, int32_t port, int32_t baud, int32_t databits,
                          int32_t stopbits, int32_t parity, int32_t flow);

/* Closes the port in *handle and sets *handle to 0; returns 0, also when *handle is already 0.
 * -4 when handle is NULL, or when the system fails to close the device: *handle then keeps the
 * port (unusable) until a later zmhwClose succeeds. */
int32_t ZMHW_API zmhwClose(intptr_t *handle);

/* Sends the low 8 bits of value; 0 once the byte is on its way, -4 when it could not be sent
 * within the write time-out (a held handshake, a device gone) or handle is 0. */
int32_t ZMHW_API zmhwTX(intptr_t handle, int32_t value);

/* The next received byte, 0 ... 255; -4 when none arrives within the read time-out, the
 * device is gone or handle is 0. Ask zmhwRXQ first to read without waiting. */
int32_t ZMHW_API zmhwRX(intptr_t handle);

/* How many received bytes wait to be read (0 or more); -4 on failure. */
int32_t ZMHW_API zmhwRXQ(intptr_t handle);

/* How many bytes wait to be sent (0 or more); -4 on failure. */
int32_t ZMHW_API zmhwTXQ(intptr_t handle);

/* Discards every received byte not yet read; 0, or -4 on failure. Bytes to send are kept. */
int32_t ZMHW_API zmhwQ_CLEAR(intptr_t handle);

/* The library's version tag: a short static text, the same pointer on every call; never free it. */
const char *zmotla(void);

#ifdef __cplusplus
}
#endif

#endif /* ZMHWCOMM_H */

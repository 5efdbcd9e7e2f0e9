/* libzmhwcomm (zmhwcomm.dll on Windows): a byte-at-a-time serial port, for C and C++ callers.
 *
 * A port is held in an intptr_t variable that zmhwOpen fills and zmhwClose empties; the other
 * calls take its value. On 32-bit Windows the port calls are __stdcall and every export has its
 * plain, undecorated name (zmhwOpen, not _zmhwOpen@28); zmotla is a plain C call everywhere.
 * Every port call returns -4 on any failure, and nothing else below 0; zmhwERROR then tells why.
 * Every port call checks its handle against the ports this library opened and has not closed:
 * any other value (0, a closed port, a stray number) gives -4, never a crash. A handle is an
 * opaque non-zero value that fits an intptr_t of 32 bits, given once in the process: a closed
 * one never reaches a port opened after it.
 *
 * Threads: any call may come from any thread, at any time. Calls on different ports run at
 * once; on one port zmhwTX runs beside the other calls, which take turns with each other (a
 * zmhwRXQ waits for a zmhwRX under way). zmhwClose waits for the calls under way on its port,
 * each of which blocks at most about 250 ms; since they take turns, the wait is about 250 ms for
 * one caller and grows with each thread that has a call on the port. Every call gives -4 once
 * the close has begun: one that comes later finds no port (zmhwERROR: not a port of this
 * library); one that had found the port and was waiting for its turn finds it closed (zmhwERROR:
 * the port is not open). Of two closes of one handle, one gives 0 and the other -4.
 *
 * Beside the eight calls that every caller uses, five extensions (same convention) tell what
 * the library knows: what to wait on for received bytes (zmhwLINE), why the last call failed
 * (zmhwERROR), which device a port number stands for (zmhwPORT) and the other way round
 * (zmhwNUMBER), and a device for a port number chosen by the program (zmhwMAP). */
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

/* ---- Extensions ---------------------------------------------------------------------- */

/* What the caller can wait on until port `handle` has received a byte, stored in *line:
 *   POSIX    the descriptor the port reads from: poll it for POLLIN (a hang-up shows as
 *            POLLHUP). Only wait on it; never read, write or close it.
 *   Windows  an event handle, set only when a byte has come or the line has failed: while
 *            nothing waits to be read the library keeps a read of one byte under way, and that
 *            byte is the next that zmhwRX returns (zmhwRXQ counts it, zmhwQ_CLEAR drops it).
 *            Wait on it with WaitForSingleObject, WaitForMultipleObjects or
 *            RegisterWaitForSingleObject. Never set, reset or close it.
 * A wait is valid only after zmhwRXQ on this port returned 0: bytes may be held read ahead,
 * and that call arms the wait. The wait then ends when a byte arrives or the line fails;
 * either way, ask zmhwRXQ again. *line stays the same until zmhwClose; after that it is
 * invalid. 0, or -4 when handle is no open port of this library, line is NULL, or the
 * driver takes no read ahead (Windows; zmhwERROR tells why): then look at zmhwRXQ on a timer. */
int32_t ZMHW_API zmhwLINE(intptr_t handle, intptr_t *line);

/* Steps zmhwERROR names. */
#define ZMHW_STEP_NONE 0     /* no call on this thread has failed */
#define ZMHW_STEP_OPEN 1     /* the device could not be opened */
#define ZMHW_STEP_LOCK 2     /* the device is open in another program */
#define ZMHW_STEP_SETTINGS 3 /* the device refused a setting (rate, data format, handshake) */
#define ZMHW_STEP_READ 4
#define ZMHW_STEP_WRITE 5
#define ZMHW_STEP_CLOSE 6
#define ZMHW_STEP_QUEUE 7    /* counting or discarding the queued bytes */
#define ZMHW_STEP_HANDLE 8   /* the call was given no port of this library, or no variable */

/* Why the last failing call of this library on the calling thread failed; a call that
 * succeeds leaves it as it is. Returns the step (ZMHW_STEP_...), stores the system's error
 * code in *system (POSIX: errno; Windows: GetLastError; 0 when the system reported none) and
 * writes a line a person can read into text (at most size bytes, always ended by a zero),
 * e.g. "open COM3 (/dev/ttyUSB0): Permission denied (error 13)", or for a step of
 * ZMHW_STEP_HANDLE "not a port of this library". system and text may be NULL. */
int32_t ZMHW_API zmhwERROR(int32_t *system, char *text, int32_t size);

/* Where zmhwPORT found a port's device. */
#define ZMHW_BUILT_IN 0         /* POSIX: /dev/ttyS<n-1>; Windows: the system's own COMn */
#define ZMHW_FROM_ENVIRONMENT 1 /* the environment variable ZMHW_COM<n> */
#define ZMHW_FROM_MAP 2         /* the program's own choice, given to zmhwMAP */

/* The device that zmhwOpen opens for port number `port`, written into device (at most size
 * bytes, ended by a zero; 4096 hold any path), and where it comes from (ZMHW_BUILT_IN ...).
 * POSIX: the path in ZMHW_COM<n> when that is set and not empty; else what zmhwMAP gave for
 * the port; else /dev/ttyS<n-1>. Both are read at every call, so a change shows at the next
 * open. Windows: always "COM<n>" (opened as \\.\COM<n>), built in.
 * -4 when the port number names no device (0 or below) or the name does not fit. */
int32_t ZMHW_API zmhwPORT(int32_t port, char *device, int32_t size);

/* The reverse of zmhwPORT: the lowest port number above `after` that zmhwOpen opens `device`
 * as, and where that comes from in *origin (ZMHW_BUILT_IN ...; origin may be NULL). POSIX: a
 * number whose device is `device` by the same text or as a path to the same file. Windows:
 * n for "COM<n>" or "\\.\COM<n>". With device NULL: the lowest port number above `after` that
 * ZMHW_COM<n> or zmhwMAP gives a device (POSIX), so that a caller can list them all, starting
 * from 0. -4 when there is none. */
int32_t ZMHW_API zmhwNUMBER(const char *device, int32_t after, int32_t *origin);

/* POSIX: makes `device` the device of port number `port` for this process, below ZMHW_COM<n>
 * and above the built-in name (how a program passes on a device from its own settings); NULL
 * or "" takes the choice back. 0, or -4 for a port number of 0 or below. Windows has no such
 * map (a COM port is always the system's own): -4. */
int32_t ZMHW_API zmhwMAP(int32_t port, const char *device);

/* The library's version tag: a short static text, the same pointer on every call; never free it. */
const char *zmotla(void);

#ifdef __cplusplus
}
#endif

#endif /* ZMHWCOMM_H */

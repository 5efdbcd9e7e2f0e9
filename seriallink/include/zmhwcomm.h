// libzmhwcomm's public interface: a byte-at-a-time serial port, for C and C++ callers.
#pragma once

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
// Every port function returns -4 on any failure.
int32_t ZMHW_API zmhwOpen(intptr_t *handle, int32_t port, int32_t baud, int32_t databits,
                          int32_t stopbits, int32_t parity, int32_t flow);
int32_t ZMHW_API zmhwClose(intptr_t *handle);
int32_t ZMHW_API zmhwTX(intptr_t handle, int32_t value);
int32_t ZMHW_API zmhwRX(intptr_t handle);
int32_t ZMHW_API zmhwRXQ(intptr_t handle);
int32_t ZMHW_API zmhwTXQ(intptr_t handle);
int32_t ZMHW_API zmhwQ_CLEAR(intptr_t handle);
const char *zmotla(void);
#ifdef __cplusplus
}
#endif

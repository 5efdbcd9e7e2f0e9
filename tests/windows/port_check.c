/* A caller of the serial library as a C program sees it: opens a port on which promsim
 * plays the programmer, checks the prompt, the queue counts, the purge and a read that
 * finds nothing, the wait on the line (which a quiet line leaves asleep), a send and a read
 * on two threads, sends a hex file with "I" "T" and reads memory back with "U"; then a close
 * during a read and two closes at once, the extensions' answers, and handles that are no
 * open port, a closed one among them after the port was opened again.
 *
 *   port_check PORT HEXFILE BINFILE
 *
 * Lines "figure NAME VALUE" are measurements to compare between platforms; a failed check
 * prints "FAIL: ..." on standard error and ends with status 1. Built twice on Windows:
 * linked against the import library, and with ZM_BIND_BY_NAME through LoadLibrary and
 * GetProcAddress, the way the front-end binds the library. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zmhwcomm.h"

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>
#define THREAD_BODY(name) static DWORD WINAPI name(LPVOID arg)
#define THREAD_END return 0
typedef HANDLE Thread;
static Thread Start(LPTHREAD_START_ROUTINE body, void *arg) { return CreateThread(NULL, 0, body, arg, 0, NULL); }
static void Join(Thread t)
{
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
}
static long long NowMs(void) { return (long long)GetTickCount64(); }
static void SleepMs(int ms) { Sleep((DWORD)ms); }
/* Whether the line woke the wait within ms. */
static int WaitOnLine(intptr_t line, int ms) { return WaitForSingleObject((HANDLE)line, (DWORD)ms) == WAIT_OBJECT_0; }
#else
#include <poll.h>
#include <pthread.h>
#include <time.h>
#define THREAD_BODY(name) static void *name(void *arg)
#define THREAD_END return NULL
typedef pthread_t Thread;
static Thread Start(void *(*body)(void *), void *arg)
{
    pthread_t t;
    pthread_create(&t, NULL, body, arg);
    return t;
}
static void Join(Thread t) { pthread_join(t, NULL); }
static int WaitOnLine(intptr_t line, int ms)
{
    struct pollfd p = {(int)line, POLLIN, 0};
    return poll(&p, 1, ms) == 1;
}
static long long NowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}
static void SleepMs(int ms)
{
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}
#endif

struct Api {
    int32_t(ZMHW_API *open)(intptr_t *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    int32_t(ZMHW_API *close)(intptr_t *);
    int32_t(ZMHW_API *tx)(intptr_t, int32_t);
    int32_t(ZMHW_API *rx)(intptr_t);
    int32_t(ZMHW_API *rxq)(intptr_t);
    int32_t(ZMHW_API *txq)(intptr_t);
    int32_t(ZMHW_API *clear)(intptr_t);
    const char *(*version)(void);
    int32_t(ZMHW_API *line)(intptr_t, intptr_t *);
    int32_t(ZMHW_API *error)(int32_t *, char *, int32_t);
    int32_t(ZMHW_API *device)(int32_t, char *, int32_t);
    int32_t(ZMHW_API *map)(int32_t, const char *);
    int32_t(ZMHW_API *number)(const char *, int32_t, int32_t *);
};

static void Fail(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("FAIL: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    exit(1);
}

#ifdef ZM_BIND_BY_NAME
/* Through a plain function pointer type first, so the compiler accepts the conversion. */
typedef void (*AnyFunction)(void);
static AnyFunction Find(HMODULE dll, const char *name)
{
    AnyFunction f = (AnyFunction)(void *)GetProcAddress(dll, name);
    if (!f)
        Fail("zmhwcomm.dll exports no %s", name);
    return f;
}
#define BIND(field, name) api->field = (__typeof__(api->field))Find(dll, name)
static void Bind(struct Api *api)
{
    HMODULE dll = LoadLibraryA("zmhwcomm.dll");
    if (!dll)
        Fail("LoadLibrary(zmhwcomm.dll): error %lu", (unsigned long)GetLastError());
    BIND(open, "zmhwOpen");
    BIND(close, "zmhwClose");
    BIND(tx, "zmhwTX");
    BIND(rx, "zmhwRX");
    BIND(rxq, "zmhwRXQ");
    BIND(txq, "zmhwTXQ");
    BIND(clear, "zmhwQ_CLEAR");
    BIND(version, "zmotla");
    BIND(line, "zmhwLINE");
    BIND(error, "zmhwERROR");
    BIND(device, "zmhwPORT");
    BIND(map, "zmhwMAP");
    BIND(number, "zmhwNUMBER");
}
#else
static void Bind(struct Api *api)
{
    api->open = zmhwOpen;
    api->close = zmhwClose;
    api->tx = zmhwTX;
    api->rx = zmhwRX;
    api->rxq = zmhwRXQ;
    api->txq = zmhwTXQ;
    api->clear = zmhwQ_CLEAR;
    api->version = zmotla;
    api->line = zmhwLINE;
    api->error = zmhwERROR;
    api->device = zmhwPORT;
    api->map = zmhwMAP;
    api->number = zmhwNUMBER;
}
#endif

static struct Api api;
static intptr_t port;

static void Send(const char *text, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (api.tx(port, (unsigned char)text[i]) != 0)
            Fail("zmhwTX failed");
}

static void SendText(const char *text) { Send(text, strlen(text)); }

/* Reads, asking for the count before each byte as the front-end does, until what came
 * ends with `marker` (NULL: until `count` bytes came); returns the length read. */
static size_t ReadSome(const char *marker, size_t count, char *buffer, size_t size, int timeoutMs)
{
    const size_t m = marker ? strlen(marker) : 0;
    const long long deadline = NowMs() + timeoutMs;
    size_t n = 0;
    while (marker ? n < m || memcmp(buffer + n - m, marker, m) != 0 : n < count) {
        const int32_t waiting = api.rxq(port);
        if (waiting < 0)
            Fail("zmhwRXQ failed");
        if (waiting == 0) {
            if (NowMs() > deadline)
                Fail("no \"%s\" within %d ms; got %u bytes", marker ? marker : "", timeoutMs, (unsigned)n);
            SleepMs(1);
            continue;
        }
        const int32_t byte = api.rx(port);
        if (byte < 0 || byte > 255)
            Fail("zmhwRX returned %d with %d waiting", byte, waiting);
        if (n + 1 >= size)
            Fail("more than %u bytes before \"%s\"", (unsigned)size, marker ? marker : "");
        buffer[n++] = (char)byte;
        buffer[n] = 0;
    }
    return n;
}

static size_t ReadUntil(const char *marker, char *buffer, size_t size, int timeoutMs)
{
    return ReadSome(marker, 0, buffer, size, timeoutMs);
}

/* The count once the peer's answer of `expected` bytes has arrived, and a little longer
 * so that a count running past it shows. */
static int32_t SettledCount(int32_t expected)
{
    const long long deadline = NowMs() + 1000;
    int32_t count;
    while ((count = api.rxq(port)) >= 0 && count < expected && NowMs() < deadline)
        SleepMs(1);
    SleepMs(50);
    return api.rxq(port);
}

/* After a quiet look at the queue, a wait on the line ends at the prompt a CR brings, well
 * before its time; returns how long it took. */
static long long LineWakes(void)
{
    intptr_t line = 0;
    if (api.line(port, &line) != 0)
        Fail("zmhwLINE failed");
    char answer[16];
    if (api.rxq(port) != 0)
        Fail("zmhwRXQ is not 0 on a quiet line");
    /* Longer than the read time-out: a read under way for the wait must not end it empty. */
    const int wokeQuiet = WaitOnLine(line, 600);
    printf("figure line_quiet_wakes %d\n", wokeQuiet);
    if (wokeQuiet)
        Fail("the wait on a quiet line ended without a byte");
    SendText("\r");
    const long long start = NowMs();
    while (api.rxq(port) == 0)
        if (!WaitOnLine(line, 2000) && NowMs() - start >= 2000)
            Fail("the wait on the line did not end at the prompt");
    const long long took = NowMs() - start;
    ReadUntil("\r\n>", answer, sizeof answer, 1000);
    return took;
}

enum { kPrompts = 200 };
static volatile int sendFailed;

THREAD_BODY(SendPromptCalls)
{
    (void)arg;
    for (int i = 0; i < kPrompts; ++i)
        if (api.tx(port, '\r') != 0)
            sendFailed = 1;
    THREAD_END;
}

/* zmhwTX on one thread while zmhwRX reads on this one: each CR brings one prompt, and every
 * byte comes once. */
static void SendBesideRead(void)
{
    static char got[3 * kPrompts + 1], want[3 * kPrompts + 1];
    for (int i = 0; i < kPrompts; ++i)
        memcpy(want + 3 * i, "\r\n>", 3);
    Thread sender = Start(SendPromptCalls, NULL);
    ReadSome(NULL, 3 * kPrompts, got, sizeof got, 10000);
    Join(sender);
    if (sendFailed || memcmp(got, want, 3 * kPrompts) != 0)
        Fail("a send beside a read lost or doubled bytes");
}

#ifdef _WIN32
/* How many threads showed in this process within ms, looked at between waits of 10 ms on the
 * quiet line; *wakes counts the waits that the line ended. */
static int ThreadsSeen(int ms, intptr_t line, int *wakes)
{
    DWORD seen[256];
    int n = 0;
    for (const long long end = NowMs() + ms; NowMs() < end; *wakes += WaitOnLine(line, 10)) {
        HANDLE all = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 t;
        t.dwSize = sizeof t;
        for (BOOL more = Thread32First(all, &t); more; more = Thread32Next(all, &t)) {
            int known = t.th32OwnerProcessID != GetCurrentProcessId();
            for (int i = 0; i < n && !known; ++i)
                known = seen[i] == t.th32ThreadID;
            if (!known && n < 256)
                seen[n++] = t.th32ThreadID;
        }
        CloseHandle(all);
    }
    return n;
}
#endif

THREAD_BODY(Nothing)
{
    (void)arg;
    THREAD_END;
}

/* With the wait on the line armed, the process keeps its threads and a new one runs at once. */
static void ThreadsRun(void)
{
    intptr_t line = 0;
    if (api.line(port, &line) != 0 || api.rxq(port) != 0)
        Fail("no line to wait on, or zmhwRXQ is not 0 on a quiet line");
#ifdef _WIN32
    int wakes = 0;
    printf("figure threads_2s %d\n", ThreadsSeen(2000, line, &wakes));
    printf("figure line_wakes_2s %d\n", wakes);
    if (wakes)
        Fail("a quiet line woke %d waits in 2 s", wakes);
#endif
    const long long start = NowMs();
    Join(Start(Nothing, NULL));
    const long long took = NowMs() - start;
    printf("figure thread_run_ms %lld\n", took);
    if (took > 1000)
        Fail("a new thread took %lld ms to run", took);
}

static volatile int32_t readResult, closeResult;

THREAD_BODY(ReadOnce)
{
    readResult = api.rx(*(intptr_t *)arg);
    THREAD_END;
}

THREAD_BODY(CloseOnce)
{
    closeResult = api.close((intptr_t *)arg);
    THREAD_END;
}

/* A close while another thread waits in zmhwRX on the quiet line, and a second close of the
 * same handle at once: the read gives -4, one close 0 and the other -4. */
static void CloseDuringARead(void)
{
    intptr_t handle = port, first = port, second = port;
    Thread reader = Start(ReadOnce, &handle);
    SleepMs(50);
    Thread closer = Start(CloseOnce, &first);
    const int32_t other = api.close(&second);
    Join(closer);
    Join(reader);
    printf("figure close_during_read %d %d %d\n", readResult, closeResult, other);
    if (readResult != -4 || closeResult + other != -4 || (first == 0) != (closeResult == 0) ||
        (second == 0) != (other == 0))
        Fail("a close during a read gave %d and %d, the read %d", closeResult, other, readResult);
    port = 0;
}

/* Every call given a handle that is no open port of the library fails with the same cause. */
static void RefusedEverywhere(intptr_t handle, const char *what)
{
    intptr_t line = 0, variable = handle;
    char text[64];
    const int32_t results[] = {api.tx(handle, 'a'), api.rx(handle), api.rxq(handle), api.txq(handle),
                               api.clear(handle), api.line(handle, &line),
                               handle ? api.close(&variable) : -4};
    for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i)
        if (results[i] != -4)
            Fail("call %u with the %s handle gave %d", (unsigned)i, what, results[i]);
    int32_t system = -1;
    if (api.error(&system, text, sizeof text) != ZMHW_STEP_HANDLE || strcmp(text, "not a port of this library") != 0)
        Fail("the cause for the %s handle is \"%s\"", what, text);
    if (variable != handle)
        Fail("zmhwClose changed a variable holding the %s handle", what);
}

static unsigned char *ReadFileBytes(const char *path, long *length)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        Fail("cannot open %s", path);
    fseek(f, 0, SEEK_END);
    *length = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char *data = malloc((size_t)*length + 1);
    if (!data || fread(data, 1, (size_t)*length, f) != (size_t)*length)
        Fail("cannot read %s", path);
    data[*length] = 0;
    fclose(f);
    return data;
}

static int HexByte(const char *p)
{
    unsigned value;
    return sscanf(p, "%2x", &value) == 1 ? (int)value : -1;
}

/* The data records of an upload laid over an image of FF. */
static void ImageOf(const char *text, unsigned char *image, size_t size)
{
    memset(image, 0xFF, size);
    for (const char *line = strchr(text, ':'); line; line = strchr(line + 1, ':')) {
        const int count = HexByte(line + 1), hi = HexByte(line + 3), lo = HexByte(line + 5);
        if (count < 0 || hi < 0 || lo < 0 || HexByte(line + 7) != 0)
            continue;
        for (int i = 0; i < count; ++i) {
            const size_t at = (size_t)(hi * 256 + lo + i);
            const int value = HexByte(line + 9 + 2 * i);
            if (value < 0)
                Fail("bad record in the upload: %.20s", line);
            if (at < size)
                image[at] = (unsigned char)value;
        }
    }
}

int main(int argc, char **argv)
{
    static char answer[1 << 20];
    if (argc != 4) {
        fputs("usage: port_check PORT HEXFILE BINFILE\n", stderr);
        return 2;
    }
    const int number = atoi(argv[1]);
    long hexLength = 0, binLength = 0;
    char *hex = (char *)ReadFileBytes(argv[2], &hexLength);
    unsigned char *bin = ReadFileBytes(argv[3], &binLength);
    Bind(&api);

    const char *tag = api.version();
    if (!tag || strcmp(tag, "uhk") != 0 || api.version() != tag)
        Fail("zmotla gave \"%s\"", tag ? tag : "(null)");
    if (api.open(&port, number, 9600, 8, 0, 'N', 0) != 0 || port == 0)
        Fail("zmhwOpen(COM%d) failed", number);

    /* The greeting, then one prompt for one CR: CR LF ">" is three bytes waiting. */
    ReadUntil(">", answer, sizeof answer, 3000);
    SendText("\r");
    const int32_t afterPrompt = SettledCount(3);
    printf("figure rxq_after_prompt %d\n", afterPrompt);
    if (afterPrompt != 3)
        Fail("zmhwRXQ gave %d for a prompt of 3 bytes", afterPrompt);
    ReadUntil("\r\n>", answer, sizeof answer, 1000);

    SendText("\r");
    const int32_t beforePurge = SettledCount(3);
    const int32_t purged = api.clear(port);
    const int32_t afterPurge = api.rxq(port);
    printf("figure rxq_before_purge %d\nfigure rxq_after_purge %d\n", beforePurge, afterPurge);
    if (purged != 0 || beforePurge != 3 || afterPurge != 0)
        Fail("zmhwQ_CLEAR gave %d, counts %d before and %d after", purged, beforePurge, afterPurge);

    const long long start = NowMs();
    const int32_t nothing = api.rx(port);
    printf("figure rx_quiet_result %d\nfigure rx_quiet_ms %lld\n", nothing, NowMs() - start);
    if (nothing >= 0)
        Fail("zmhwRX on a quiet line gave %d", nothing);
    printf("figure txq %d\n", api.txq(port));
    const long long woke = LineWakes();
    printf("figure line_wake_ms %lld\n", woke);
    if (woke > 500)
        Fail("the wait on the line ended %lld ms after the CR", woke);
    SendBesideRead();
    ThreadsRun();

    SendText("I");
    ReadUntil("\r\n>", answer, sizeof answer, 1000);
    SendText("T");
    for (char *line = strtok(hex, "\r\n"); line; line = strtok(NULL, "\r\n")) {
        SendText(line);
        SendText("\r\n");
    }
    ReadUntil("\r\n>", answer, sizeof answer, 10000);
    if (!strstr(answer, "Transfer OK"))
        Fail("download answered \"%s\"", answer);

    /* The whole upload waiting at once: the count no longer changes for 200 ms. */
    SendText("U0");
    int32_t waiting = -1, last;
    do {
        last = waiting;
        SleepMs(200);
        waiting = api.rxq(port);
    } while (waiting != last || waiting == 0);
    printf("figure rxq_whole_upload %d\n", waiting);
    ReadUntil(":00000001FF\r\r\n>", answer, sizeof answer, 20000);
    unsigned char *image = malloc((size_t)binLength + 1);
    ImageOf(answer, image, (size_t)binLength);
    if (memcmp(image, bin, (size_t)binLength) != 0)
        Fail("the uploaded image differs from %s", argv[3]);

    const intptr_t stale = port;
    CloseDuringARead();
    /* Opened, closed and opened again: the old handle reaches no port, the new one hears
     * nothing of it (promsim would answer the 'a' sent). */
    for (int again = 0; again < 2; ++again)
        if (api.open(&port, number, 9600, 8, 0, 'N', 0) != 0 || port == stale || (again == 0 && api.close(&port) != 0))
            Fail("zmhwOpen(COM%d) failed after the close", number);
    SleepMs(300);  /* whatever promsim says to an open */
    api.clear(port);
    RefusedEverywhere(stale, "closed");
    SleepMs(200);
    if (api.rxq(port) != 0)
        Fail("the closed handle reached the port opened after it");
    if (api.close(&port) != 0 || port != 0 || api.close(&port) != 0)
        Fail("zmhwClose failed");
    RefusedEverywhere(0, "null");
    RefusedEverywhere((intptr_t)answer, "stray");

    /* The device of the port, and whether the program may choose one (Windows: no). */
    char device[4096];
    const int32_t origin = api.device(number, device, sizeof device);
    printf("figure port_origin %d\nfigure port_map %d\n", origin, api.map(number + 100, "x"));
    if (origin < 0 || api.device(0, device, sizeof device) != -4)
        Fail("zmhwPORT gave %d for COM%d", origin, number);
    int32_t back = -1;
    if (api.number(device, 0, &back) != number || back != origin)
        Fail("zmhwNUMBER gave %d (origin %d) for %s", api.number(device, 0, NULL), back, device);
    api.map(number + 100, NULL);

    /* Which line settings the platform takes on this line: figures only. */
    static const struct {
        const char *name;
        int32_t baud, bits, stop, parity, flow;
    } kSettings[] = {
        {"2400_7E2", 2400, 7, 2, 'E', 0},     {"110_5O1.5", 110, 5, 3, 'O', 0},
        {"31250_8N1", 31250, 8, 0, 'N', 0},   {"250000_8N1", 250000, 8, 0, 'N', 0},
        {"9600_9N1", 9600, 9, 0, 'N', 0},     {"0_8N1", 0, 8, 0, 'N', 0},
        {"9600_ctsrts", 9600, 8, 0, 'N', 1},  {"9600_dtrdsr", 9600, 8, 0, 'N', 2},
    };
    intptr_t second = 0;
    if (api.open(&port, number, 9600, 8, 0, 'N', 0) != 0)
        Fail("zmhwOpen(COM%d) failed the second time", number);
    printf("figure second_open %d\n", api.open(&second, number, 9600, 8, 0, 'N', 0));
    if (api.close(&second) != 0 || api.close(&port) != 0)
        Fail("zmhwClose failed");
    for (size_t i = 0; i < sizeof kSettings / sizeof kSettings[0]; ++i) {
        const int32_t opened = api.open(&port, number, kSettings[i].baud, kSettings[i].bits,
                                        kSettings[i].stop, kSettings[i].parity, kSettings[i].flow);
        printf("figure open_%s %d\n", kSettings[i].name, opened);
        if ((opened == 0) != (port != 0) || api.close(&port) != 0)
            Fail("zmhwOpen with %s left the handle inconsistent", kSettings[i].name);
    }
    printf("COM%d: %ld bytes down and up again\n", number, binLength);
    free(image);
    free(bin);
    free(hex);
    return 0;
}

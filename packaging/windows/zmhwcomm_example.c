/* A short caller of zmhwcomm.dll: opens a COM port, presses Enter on the programmer, prints
 * its answer up to the prompt ">" and closes the port.
 *
 *   zmhwcomm_example [PORT]      PORT: the COM port's number (COM3 is 3); 1 when left out
 *
 * Built with nothing but the zip's include\ and lib\ folders, from the zip's top folder:
 *   MinGW:           gcc -Iinclude examples\zmhwcomm_example.c -Llib -lzmhwcomm -o example.exe
 *   Microsoft's C:   cl /Iinclude examples\zmhwcomm_example.c lib\zmhwcomm.lib
 * and run beside bin\zmhwcomm.dll. Exit status 0 when the prompt came, 1 otherwise. */
#include <stdio.h>
#include <stdlib.h>

#include "zmhwcomm.h"

int main(int argc, char **argv)
{
    const int port = argc > 1 ? atoi(argv[1]) : 1;
    intptr_t handle = 0;
    int byte = 0, quiet = 0;

    printf("zmhwcomm %s, COM%d\n", zmotla(), port);
    /* 9600 baud, 8 data bits, stop-bit code 0 (one), no parity, flow code 0 (no handshake) */
    if (zmhwOpen(&handle, port, 9600, 8, 0, 'N', 0) != 0) {
        fprintf(stderr, "COM%d cannot be opened: missing, in use, or refusing 9600 8N1\n", port);
        return 1;
    }
    zmhwQ_CLEAR(handle); /* whatever came before is not the answer */
    if (zmhwTX(handle, '\r') != 0) {
        fprintf(stderr, "COM%d: the key could not be sent\n", port);
        zmhwClose(&handle);
        return 1;
    }
    /* Each zmhwRX waits up to about 250 ms for a byte: eight empty ones in a row are 2 s. */
    while (byte != '>' && quiet < 8) {
        byte = zmhwRX(handle);
        if (byte < 0)
            ++quiet;
        else {
            quiet = 0;
            putchar(byte == '\r' ? '\n' : byte);
        }
    }
    putchar('\n');
    zmhwClose(&handle);
    if (byte != '>') {
        fprintf(stderr, "COM%d: no prompt from the programmer within 2 s\n", port);
        return 1;
    }
    return 0;
}

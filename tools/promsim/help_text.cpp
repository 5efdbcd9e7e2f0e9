#include "options.h"

namespace promsim {

const char *HelpText()
{
    return R"(Usage: promsim [OPTION]...
Plays a Prompro 7 EPROM programmer on a pseudo-terminal, so that zm32 (or any
serial terminal) can be tried, tested and rehearsed without the hardware.

promsim prints the path of the device side of its line on the first line of
standard output; open that path as the serial port (any baud rate and framing
work). It plays the programmer until it is stopped (SIGTERM, SIGINT, SIGHUP) or,
with --once, until the first peer closes the line.

Options:
  --link PATH          also make PATH a symbolic link to the device side
                       (an older link there is replaced; any other file is not)
  --image FILE         start with memory loaded from FILE (raw binary, at most
                       the memory size; the rest of memory is FF)
  --save FILE          write memory to FILE (raw binary, whole memory) on exit
                       and after each successful "T"; written to a temporary
                       file and renamed, so FILE is never half written; a
                       FILE that is there and no regular file is left alone
                       (the save fails)
  --save-chips DIR     after each "P", write the chip as it now is to
                       DIR/chip-N.bin (raw binary, the memory size; N counted
                       in "P" commands as for --bad-chips), before its answer
                       and whole as for --save; DIR must be a folder, and an
                       older chip-N.bin there is replaced (a path there that
                       is no regular file is not: the save fails)
  --size HEX           memory size in hex bytes, 1 to 1000000 (default 2000)
  --rate BYTES         pace what promsim sends to BYTES bytes per second, like
                       a real line (960 for 9600 baud); 0 = unpaced (default)
  --upload-delay MS    pause between the offset character of "U" and the
                       first record, in milliseconds (default 3000)
  --once               end when a peer that opened the line closes it
  --fresh-chips        each "P" finds a newly inserted, erased chip (all FF),
                       as if the operator had changed it; "V" compares the chip
                       of the last "P" with memory
  --bad-chips LIST     the chips at these positions (1-based, counted in "P"
                       commands since promsim started, comma-separated, e.g.
                       2,5) have a bit stuck at 0 (see P below)
  --program-time MS    a "P" answers only after MS milliseconds (default 0);
                       the line stays quiet meanwhile
  --trace FILE         write a readable record of the line to FILE
  --silent             fault: read and act on everything, send nothing
  --stall-after N      fault: after N bytes sent, send nothing more; the line
                       stays open and everything received is still read
  --hangup-after N     fault: after N bytes sent, close the line (the peer sees
                       a hang-up: EIO or POLLHUP) and end; the close comes 0.5 s
                       after the Nth byte, so that the peer can read it
  --garbage            fault: every byte sent is replaced by a pseudo-random
                       byte from 80 to FF hex (never a protocol character); the
                       sequence is the same on every run
  --help               show this text

THE PROTOCOL
Notation: CR = 0D, LF = 0A, ESC = 1B, ^C = 03 (hex); "..." are literal bytes.
promsim never echoes what it receives; a terminal should echo locally.

Line ends. A CR, a LF or the pair CR LF is one line end. A LF that directly
follows a CR is always ignored.

Start. Each time a peer opens the line, promsim is as if switched on: any
command under way is dropped and it sends the prompt. Memory, the chip and the
selected format are kept. While no peer has the line open nothing is sent.

Prompt. CR LF ">" (3 bytes), sent at start and after every command.

Commands. One byte each, upper or lower case, no CR needed:
  line end   the prompt again
  "I"        select Intel hex (the default); answer: the prompt
  "M"        select Motorola S-records; answer: the prompt
  "X"        examine and change memory (below)
  "T"        receive a file into memory (below)
  "U" c      send memory as records (below)
  "P"        program the chip from memory (below)
  "V"        verify the chip against memory (below)
  ":" or "S" (a record line that arrived at the prompt): "?" and the prompt,
             then everything up to the next line end is ignored
  other      "?" and the prompt

X  Answer: " " (one space). Then hex address digits (1 to 8), ended by a line
   end. An address beyond memory, no digit, too many digits or any other byte:
   "?" and the prompt. ESC: the prompt. Otherwise the byte at the address is
   shown as CR LF, the address (upper-case hex, at least 4 digits, never
   containing "="), "=" and two upper-case hex digits, e.g. CR LF "0000=3F".
   Then:
     " "            step: the next address is shown the same way
     two hex digits the byte is changed to that value, then promsim steps
                    on as for " " (a single digit is dropped by " " or by a
                    line end)
     line end, ESC  the prompt
     other          "?", then the same address shown again
   Stepping past the last address: CR LF "End of memory" and the prompt.
   A binary upload therefore goes: "X" -> " "; "0000" CR -> CR LF "0000=3F";
   " " -> CR LF "0001=C0"; ... after the last byte CR -> the prompt.

T  No answer until the transfer ends; nothing received is echoed. Every line
   is taken as a record of the selected format:
     Intel:    ":" count address(4) type data checksum; types 00 data,
               01 end, 02 extended segment address, 04 extended linear
               address (both set the base of later data records), 03/05 start
               address (ignored)
     Motorola: "S" type count address data checksum; S1/S2/S3 data (16-, 24-,
               32-bit address), S9/S8/S7 end, S0/S5/S6 ignored
   Hex digits may be upper or lower case; blanks at the end of a line are
   ignored; an empty line is skipped. Each record's checksum is checked.
   Reception ends at the end record: an Intel line with type 01 or a line
   beginning "S7", "S8" or "S9" (either format ends it; a wrong one is
   reported). Lines after it arrive at the prompt (see ":" or "S" above).
   A line that is not a good record does not end reception; the first one is
   reported when it ends, with its line number (counted from 1, empty lines
   included) and one of: "not an Intel hex record", "not an S-record",
   "S-record, but Intel format is selected", "Intel record, but Motorola format
   is selected", "bad hex", "bad length", "bad checksum", "bad record type",
   "address beyond memory" ("bad length" also for a line of more than 530
   characters). ESC or ^C abandons the transfer at once.
   Memory changes only when every line was good.
   Answer, then the prompt:
     CR LF "Transfer OK: <n> bytes in <r> records"   (decimal; "1 record")
     CR LF "Transfer failed, line <l>: <reason>"     (memory unchanged)
     CR LF "Transfer aborted"                        (memory unchanged)
   The end record must be a good record itself, e.g. ":00000001FF" or
   "S9030000FC"; the common ":01000001FF" (count 01, no data) is taken too.

U  Followed by one offset character, a hex digit d: sending starts at address
   d * 1000 hex ("0" = the start of memory) and runs to the end of memory.
   An offset beyond memory or any other character: "?" and the prompt.
   After the upload delay (--upload-delay, default 3 s, as the device takes a
   while to begin) promsim sends one record per 16 bytes, each record ended by
   CR alone (no LF), then the end record and CR, then the prompt:
     Intel:    ":10" address(4) "00" data(32) checksum; above 64 KiB an
               extended linear address record ":02000004" upper(4) checksum
               precedes the first record of each 64 KiB; end ":00000001FF"
     Motorola: S1 records (S2 for memories above 64 KiB); end "S9030000FC"
               (S2: "S804000000FB")
   A last record holds fewer bytes when the memory size is no multiple of 16.
   Example, memory of 20 hex bytes, all FF:
     ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00" CR
     ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0" CR
     ":00000001FF" CR, then CR LF ">"
   Bytes received meanwhile are kept and taken as commands after the prompt;
   ESC or ^C stops the upload: CR LF "Upload aborted" and the prompt.

P  Programs the simulated chip from memory. The chip starts erased (all FF)
   and, like an EPROM, a bit can only go from 1 to 0. It stays in the socket
   from one "P" to the next, unless --fresh-chips puts an erased one there
   before each "P". A bad chip (--bad-chips) has one bit stuck at 0: the
   lowest 1 bit of the first memory byte, at the time of its "P", that is not
   00 (bit 0 of address 0 when that byte is FF). Where that memory byte is
   FF, "P" writes nothing there and does not notice; "V" then fails there.
   Memory all 00 cannot show a stuck bit. Without --fresh-chips a bad chip
   keeps its stuck bit for the "P" commands after it.
   With --program-time, the answer comes after that time; bytes received
   meanwhile are kept and taken as commands after the prompt (ESC and ^C
   too: a chip being programmed is not stopped). Answer, then the prompt:
     CR LF "Program OK"
     CR LF "Program failed at <address>: chip <xx>, memory <yy>"
V  Compares the chip with memory. Answer, then the prompt:
     CR LF "Verify OK"
     CR LF "Verify failed at <address>: chip <xx>, memory <yy>"
   Addresses as in X; <xx> and <yy> two upper-case hex digits.
No answer text contains "=" or ">" (only X's display and the prompt do).

TRACE
One line per run of bytes in one direction, also broken after each line end:
  <seconds since start> "<" <bytes received>   or   ">" <bytes sent>
  <seconds since start> "#" <event> (peer opened or closed the line, stall,
                                     hang-up, a failed save)
Printable bytes appear as they are; CR, LF and ESC as <CR>, <LF>, <ESC>; "<"
and every other byte as <hh> (two hex digits).

EXCLUSIVE USE
A peer that opens the line for exclusive use (TIOCEXCL) leaves that mark on
the pseudo-terminal when it closes it. promsim lifts it for the next peer; where
it lacks the privilege to, it opens a fresh line instead, prints its path as a
further line on standard output and moves the --link there.

Exit status: 0 when stopped, at the end of --once or after --hangup-after;
1 when the line, a file or a save fails; 2 for a bad command line.
)";
}

} // namespace promsim

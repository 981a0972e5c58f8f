// The block of host entries that ad blocking appends to the hosts file, ready to write byte
// for byte: code page 936, CR LF line ends, a CR LF in front. Built from hosts_block.txt.
#pragma once

extern const char kHostsBlock[];
extern const unsigned long kHostsBlockLength;  // bytes to write, the terminating NUL not counted

# Turns the hosts block, kept as UTF-8 text with LF line ends for editing, into the bytes the
# program appends to the hosts file: code page 936, CR LF line ends and one CR LF in front, so
# that the first heading starts on a line of its own even when the hosts file does not end in
# a line break. Writes them as the string literal kHostsBlock.
#   cmake -DICONV=... -DSOURCE=hosts_block.txt -DOUTPUT=hosts_block.cpp -P embed_hosts_block.cmake
set(encoded ${OUTPUT}.cp936)
# iconv stops with an error at any character that code page 936 cannot hold.
execute_process(COMMAND ${ICONV} -f UTF-8 -t CP936 ${SOURCE}
                OUTPUT_FILE ${encoded} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${SOURCE} does not convert to code page 936")
endif()
file(READ ${encoded} hex HEX)
file(REMOVE ${encoded})

# One \xNN escape per byte, the 0a in front being the leading line break. A CR already there
# (a checkout with CR LF) is dropped so that every line ends in exactly one CR LF.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" bytes "0a${hex}")
string(REPLACE "\\x0d" "" bytes "${bytes}")
string(REPLACE "\\x0a" "\\x0d\\x0a\"\n    \"" bytes "${bytes}")

file(WRITE ${OUTPUT}.new "// Generated from ${SOURCE}: do not edit.
#include \"tools/hosts_block.h\"

const char kHostsBlock[] =
    \"${bytes}\";
const unsigned long kHostsBlockLength = sizeof kHostsBlock - 1;
")
# Rewritten only when the bytes change, so an unchanged block is not compiled again.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)

/* ".appinfo" at the start of the first segment, in flash: its address is far larger
   than the segment, so it cannot say how much of the segment to skip. */
ENTRY(_start)
PHDRS
{
    code PT_LOAD;
}
SECTIONS
{
    .appinfo 0x60000000 : { *(.appinfo) } :code
    .text : { *(.text) } :code
    .bss : { *(.bss) } :code
}

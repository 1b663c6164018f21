/* One segment of 0x1200 file bytes and 0x1400 memory bytes at 0x1000, and
   ".appinfo" at address 0x200, outside every segment. */
ENTRY(_start)
PHDRS
{
    code PT_LOAD;
}
SECTIONS
{
    .text 0x1000 : { *(.text) } :code
    .bss : { *(.bss) } :code
    .appinfo 0x200 (INFO) : { *(.appinfo) } :NONE
}

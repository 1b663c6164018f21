/* Code at the start of the board's external flash, data in its tightly coupled RAM. */
ENTRY(_start)
PHDRS
{
    code PT_LOAD;
    ram PT_LOAD;
}
SECTIONS
{
    .text 0x60002000 : { *(.text) } :code
    .data 0x20000000 : { *(.data) } :ram
    .bss : { *(.bss) } :ram
}

@ An application whose information block the board keeps apart: the section
@ ".appinfo", whose address says how much the board skips of the first segment.
    .syntax unified
    .thumb

    .section .text, "ax"
    .global _start
    .thumb_func
_start:
    b _start
    .balign 4
    .word 0xC0DE0001
    .fill 0x1200 - (. - _start), 1, 0x5A

    .section .bss, "aw", %nobits
    .space 0x200

    .section .appinfo, "a"
    .ascii "application information"

@ A board application in two pieces: code in flash and initialised data in RAM, the
@ data followed by zero-initialised memory that the file does not hold.
    .syntax unified
    .thumb

    .section .text, "ax"
    .global _start
    .thumb_func
_start:
    ldr r0, =counter
    ldr r1, [r0]
    adds r1, r1, #1
    str r1, [r0]
    b _start
    .ltorg
    .balign 4
    .fill 0x100 - (. - _start), 1, 0xA5

    .section .data, "aw"
counter:
    .word 0x11223344, 0x55667788

    .section .bss, "aw", %nobits
    .space 0x38

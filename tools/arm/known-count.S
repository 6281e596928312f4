@ A program of known length for checking the instruction counter (count-instructions.sh):
@ four calls of `work`, each a loop of 1000 rounds and a call of `leaf`, a loop of 300
@ rounds, and then the exit system call. No C library: every executed instruction is here.
@ Per call of `work` (a "frame" from its entry to the next): 2004 instructions in work
@ itself, 602 in leaf, 3 back in _start (5 after the last call, with the exit).
        .syntax unified
        .arm
        .text
        .global _start
        .type   _start, %function
_start:
        mov     r4, #4
1:      bl      work
        subs    r4, r4, #1
        bne     1b
        mov     r0, #0
        mov     r7, #1                  @ exit
        svc     #0
        .size   _start, . - _start

        .type   work, %function
work:
        push    {lr}
        mov     r0, #1000
2:      subs    r0, r0, #1
        bne     2b
        bl      leaf
        pop     {pc}
        .size   work, . - work

        .type   leaf, %function
leaf:
        mov     r1, #300
3:      subs    r1, r1, #1
        bne     3b
        bx      lr
        .size   leaf, . - leaf

@ Programs of known cycle count for checking the cycle model of the instruction counter
@ (count-instructions.sh). Every routine is called twice in a row; the second call runs
@ with warm caches (except the table walk, which is larger than the data cache), and
@ its cycles follow from the timing table of icount-plugin.c by hand:
@
@   chain     a dependent load chain: 100 rounds of 4 loads, each of the previous one's
@             result; per round 3 interlocked loads (2), 1 load (1), subs (1), taken
@             bne (3) = 11, the last round 9 (bne not taken); plus the literal load and
@             mov before (1 + 1) and bx lr (3): 1 + 1 + 99 * 11 + 9 + 3 = 1103
@   branches  200 rounds of subs, beq (not taken: 1), b (3) = 5; the last round subs
@             and a taken beq (1 + 3); mov (1) before, bx lr (3) after:
@             1 + 199 * 5 + 4 + 3 = 1003
@   mulsmall  100 rounds of mov r2, #3 (1), mul by it (m = 1: 2), subs (1), bne (3) = 7,
@             the last 5; mov before, bx after: 1 + 99 * 7 + 5 + 3 = 702
@   mullarge  the same with mov r2, #0x40000000 (m = 4: mul 5): 1 + 99 * 10 + 8 + 3 = 1002
@   mlamid    mla by 0x10000 (m = 3: mla 5) instead: 1002
@   walk      1024 word loads 32 bytes apart over a 32 KB table (twice the data cache):
@             every load misses, and so does the literal load of the table's address
@             (the first call's walk evicted its line): 1 + 1 + 1023 * 5 + 3 + 3 = 5123
@             cycles of pipeline and 1025 line fills
@   wbuf      a delay loop of 20 rounds (mov before it 1, 19 rounds of subs and taken bne
@             4, the last 2: 79) lets the first call's stores drain; then the literal
@             load (a hit) and a mov (2), and 8 single-word stores to a table never read,
@             so each misses and takes one of the write buffer's 4 entries (8), and bx lr
@             (3): 92 cycles before the buffer's stalls. Store i issues at s + i plus the
@             stalls before it; the entries drain one after another from s, D cycles
@             each, and a store finding 4 entries waits for the head one to finish.
@             D = 2: entries 0 and 1 are out by s + 4, 2 by s + 6, and store 7 (at
@             s + 7) waits for entry 3 until s + 8: 1 cycle, 93 in all.
@             D = 6: entry k finishes at s + 6 (k + 1) while the buffer stays full, so
@             store 4 waits from s + 4 to s + 6 (2), store 5 from s + 7 to s + 12 (5),
@             6 and 7 five each: 17, 109 in all
@
@ _start then runs one clz (ARMv5) for the check of the instruction-set report, and exits.
        .syntax unified
        .arm
        .text
        .global _start
        .type   _start, %function
_start:
        bl      chain
        bl      chain
        bl      branches
        bl      branches
        bl      mulsmall
        bl      mulsmall
        bl      mullarge
        bl      mullarge
        bl      mlamid
        bl      mlamid
        bl      walk
        bl      walk
        bl      wbuf
        bl      wbuf
        mov     r0, #1
        clz     r0, r0
        mov     r0, #0
        mov     r7, #1                  @ exit
        svc     #0
        .size   _start, . - _start

        .balign 32
        .type   chain, %function
chain:
        ldr     r1, =nodes
        mov     r2, #100
1:      ldr     r1, [r1]
        ldr     r1, [r1]
        ldr     r1, [r1]
        ldr     r1, [r1]
        subs    r2, r2, #1
        bne     1b
        bx      lr
        .ltorg
        .size   chain, . - chain

        .type   branches, %function
branches:
        mov     r0, #200
1:      subs    r0, r0, #1
        beq     2f
        b       1b
2:      bx      lr
        .size   branches, . - branches

        .type   mulsmall, %function
mulsmall:
        mov     r3, #100
1:      mov     r2, #3
        mul     r1, r0, r2
        subs    r3, r3, #1
        bne     1b
        bx      lr
        .size   mulsmall, . - mulsmall

        .type   mullarge, %function
mullarge:
        mov     r3, #100
1:      mov     r2, #0x40000000
        mul     r1, r0, r2
        subs    r3, r3, #1
        bne     1b
        bx      lr
        .size   mullarge, . - mullarge

        .type   mlamid, %function
mlamid:
        mov     r3, #100
1:      mov     r2, #0x10000
        mla     r1, r0, r2, r1
        subs    r3, r3, #1
        bne     1b
        bx      lr
        .size   mlamid, . - mlamid

        .type   walk, %function
walk:
        ldr     r1, =table
        mov     r2, #1024
1:      ldr     r0, [r1], #32
        subs    r2, r2, #1
        bne     1b
        bx      lr
        .ltorg
        .size   walk, . - walk

        .type   wbuf, %function
wbuf:
        mov     r2, #20
1:      subs    r2, r2, #1
        bne     1b
        ldr     r1, =wtable
        mov     r0, #0
        str     r0, [r1]
        str     r0, [r1, #4]
        str     r0, [r1, #8]
        str     r0, [r1, #12]
        str     r0, [r1, #16]
        str     r0, [r1, #20]
        str     r0, [r1, #24]
        str     r0, [r1, #28]
        bx      lr
        .ltorg
        .size   wbuf, . - wbuf

        .data
        .balign 32
@ A ring of four nodes in four cache lines, each holding the next one's address.
nodes:  .word   node1
        .space  28
node1:  .word   node2
        .space  28
node2:  .word   node3
        .space  28
node3:  .word   nodes
        .space  28

        .bss
        .balign 32
table:  .space  32768
@ Written only: never in the data cache, which allocates on reads.
wtable: .space  32
